#pragma once
// Resource ids of the programs the setup package carries (RCDATA); the build
// generates the resource script that fills them.

#define KESTRIMA_PAYLOAD_PRODUCT 101
#define KESTRIMA_PAYLOAD_UNINSTALLER 102
