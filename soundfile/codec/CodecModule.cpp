// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodecModule.h"

#ifndef VELTANE_CODEC_LINKED
#include <dlfcn.h>

#include <cstdio>
#include <memory>

namespace {

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using LibraryPtr = std::unique_ptr<void, LibraryCloser>;

const CodecModuleApi* Load(LibraryPtr& kept) {
    // Bound at once, as the hardened program itself is. Never unmapped: FFmpeg keeps
    // tables it allocates once for the life of the process, and a module unloaded at
    // exit would leave them unreachable.
    LibraryPtr library(dlopen(CodecModule::kFileName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
    if (!library) {
        std::fprintf(stderr, "veltane: cannot load the codec module: %s\n", dlerror());
        return nullptr;
    }
    using Entry = const CodecModuleApi* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(library.get(), kCodecModuleEntry));
    const CodecModuleApi* api = entry != nullptr ? entry() : nullptr;
    if (api == nullptr || api->abi != CodecModuleApi::kAbi) {
        std::fprintf(stderr, "veltane: %s is not this program's codec module\n",
                     CodecModule::kFileName);
        return nullptr;
    }
    kept = std::move(library);
    return api;
}

}  // namespace

const CodecModuleApi* CodecModule::Api() {
    static LibraryPtr library;
    static const CodecModuleApi* const api = Load(library);
    return api;
}
#else
// Built into the program (the fuzz targets, for the coverage of its code).
const CodecModuleApi* CodecModule::Api() {
    return veltane_codec_module();
}
#endif
