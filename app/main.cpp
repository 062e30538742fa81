// The program `ovrida`: the app with its analysis screens, in a desktop window or headless.
#include "analysis/AnalysisScreens.h"
#include "app/Program.h"

int main(int argc, char** argv) {
    registerAnalysisScreens();
    return ovridaMain(argc, argv);
}
