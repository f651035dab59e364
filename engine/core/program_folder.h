// The program folder: where the game's data is found. A game run where it was built
// has its data beside the executable; an installed one has it in its own data folder
// (share/timberdrive), which the build gives relative to the executable's folder.
#pragma once

#include <cstddef>
#include <string>

// The folder of the running executable, ending with '/', or "./" when it cannot be read.
std::string executableFolder();

// installedData (relative to exeFolder, may be empty) when that folder exists, else
// exeFolder itself. The result ends with '/'.
std::string programFolderFor(const std::string& exeFolder, const char* installedData);

// The program folder of this executable into out; "./" when it does not fit.
void readProgramFolder(char* out, size_t cap);
