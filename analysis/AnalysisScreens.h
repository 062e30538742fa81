// Makes the analysis screens known to the rest of the app by their controller identifiers; main() and
// the tests call it once before any screen asks for them.
#pragma once

void registerAnalysisScreens();
