#pragma once
// SilentPort is a ScriptedPort with nothing on the line; this name stays for older includes.
#include "tests/support/ScriptedPort.h"
