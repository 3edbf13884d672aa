#pragma once
// Hardware identifiers of made-up PCI devices for the benchmarks' documents and catalogs.
#include <string>

// "PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssssss&REV_rr", each field in upper-case hexadecimal.
std::string PciHardwareId(unsigned vendor, unsigned device, unsigned subsystem, unsigned revision);
