// The module's version and the names its version resource gives, in one
// place: the resource (version.rc) and the release's name
// (tools/release.sh reads XP_VERSION) come from here. The numbers and the
// text say the same version, as the About box writes it ("version 1.04").
#pragma once

#define XP_VERSION_MAJOR 1
#define XP_VERSION_MINOR 4
#define XP_VERSION "1.04"

#define XP_COMPANY "Vandrel"
#define XP_PRODUCT "Korvind/Linvale XP"
#define XP_DESCRIPTION "Korvind/Linvale XP: file manager and directory browser for kv32.exe"
#define XP_COPYRIGHT "Copyright (C) 2026 Vandrel"
