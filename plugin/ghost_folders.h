// Which folders hold the host's ghosts, and which installs bring new ones:
// rules over the request text alone.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The ghost folders a ghostpathlist request names: the value of every
// "ReferenceN" header, in ascending N ("Reference10" after "Reference2"). N is
// written canonically: "Reference01" is no reference. As for every header, the
// last line of a name wins. A request naming no folder beyond Reference0
// yields exactly Reference0's value, even when empty or missing; among several,
// an empty value names no folder and is left out.
std::vector<std::string> GhostFolderList(std::string_view request);

// Whether an install's types (OnInstallComplete's Reference0, the types joined
// by the byte 0x01) include "ghost" exactly.
bool InstallsGhost(std::string_view types);
