// The launcher of the system-information tool and its registry reader.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ansi.h"
#include "platform/ui.h"

namespace kv {

// Reads one registry value into KeyVal: text for REG_SZ, "&h" and the
// hexadecimal bytes for REG_DWORD; other types leave KeyVal as passed.
// Answers true (-1) when the value was read, false (0) with KeyVal empty when
// the key or value is missing, cannot be opened, or holds more than 1024
// bytes. An empty value raises an error. The key is always closed.
int16_t GetKeyValue(IRegistry& registry, const IAnsiCodePage& ansi, int32_t KeyRoot,
                    const std::string& KeyName, const std::string& SubKeyRef, std::string& KeyVal);

// Finds the system-information tool through the registry and starts it;
// tells the user in a message box when it cannot.
void StartSysInfo(AppServices& app, const IAnsiCodePage& ansi);

}  // namespace kv
