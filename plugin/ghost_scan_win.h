// The registry rebuilt from the ghosts on disk: on ghostpathlist, and when the
// host reports that a ghost was installed.
#pragma once

// Keeps the folders the request names (each ReferenceN, in order) and rebuilds
// the registry from them.
void OnGhostPathList();

// Rebuilds from the kept folders when Reference0's types include "ghost";
// before the first ghostpathlist no folder is known and nothing is read.
void OnInstallComplete();
