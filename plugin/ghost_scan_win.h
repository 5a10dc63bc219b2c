// The ghostpathlist handler: the registry rebuilt from the ghosts on disk.
#pragma once

// Takes Reference0 whole as the ghost root and rebuilds the registry.
void OnGhostPathList();
