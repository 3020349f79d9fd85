#include <QApplication>

#include "ToneMatchApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
