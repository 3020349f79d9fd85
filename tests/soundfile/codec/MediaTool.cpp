#include "MediaTool.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// Runs the program with the arguments, its output thrown away; true when it exits 0.
bool Run(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MediaTool::MediaTool() {
    std::string pattern = (std::filesystem::temp_directory_path() / "codec-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    m_dir = pattern;
}

MediaTool::~MediaTool() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

bool MediaTool::Available() {
    return access(kFfmpeg, X_OK) == 0;
}

std::optional<std::vector<std::uint8_t>> MediaTool::Make(const std::string& name,
                                                         const std::vector<std::string>& args) {
    std::vector<std::string> command = {kFfmpeg, "-nostdin", "-v", "error", "-y"};
    command.insert(command.end(), args.begin(), args.end());
    command.push_back((m_dir / name).string());
    if (!Run(command)) {
        return std::nullopt;
    }
    return ReadBytes(m_dir / name);
}

void MediaTool::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(m_dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::vector<std::uint8_t>> MediaTool::Reference(const std::string& name, int channels,
                                                              int rate) {
    const std::string raw = name + ".s16le";
    return Make(raw, {"-i", (m_dir / name).string(), "-f", "s16le", "-ac", std::to_string(channels),
                      "-ar", std::to_string(rate)});
}
