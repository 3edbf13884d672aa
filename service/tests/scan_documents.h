#pragma once
// Scan documents for tests, written with the engine's own rules.
#include <string>

// The item lines of one device: its identity forms, with levels when leveled.
std::string DeviceLines(const std::string& hardwareId, const std::string& version, bool leveled);
std::string ProgramLine(const std::string& identity, const std::string& version, bool leveled);
// A document of a PC whose Windows reports the OS code (XP's by default).
std::string WholeDocument(const std::string& inventory, const std::string& email = "", const std::string& password = "",
                          const std::string& osCode = "4");
