// The player's own folder for what the game writes ("demo.dem"): an installed game's
// folder is read-only. $XDG_DATA_HOME/timberdrive/, by default ~/.local/share/timberdrive/.
#pragma once

#include <string>

// The folder, ending with '/'; empty (the current folder) when there is no home.
std::string userDataFolder();

// The full name of a file in that folder. With makeFolder the folder and any missing
// parents are made first (mode 0700), as on the first save.
std::string userDataFile(const char* name, bool makeFolder = false);
