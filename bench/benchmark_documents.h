#pragma once
// The catalog and the update-count documents of the service's benchmarks: catalog entries made
// from the real ids of Debian's pci.ids and usb.ids, and 500-item documents that name them.
#include <iosfwd>
#include <string>
#include <vector>

constexpr int kBenchmarkCatalogEntries = 100000;
constexpr int kItemsPerDocument = 500;

// Writes the catalog text of the given number of entries: whole families of PCI devices, boards
// (a subsystem), exact PCI ids, USB products in two revisions, and PCI devices that report no
// subsystem. false and a message when the id lists are missing or too short.
bool WriteBenchmarkCatalog(std::ostream& file, int entries, std::string& error);

// The identities of a catalog text, in its order.
std::vector<std::string> CatalogIdentities(std::istream& file);

// The body of an update-count request ("data=" and the document): half of the items name
// catalog identities at an older version (offers), half unknown ones; every item is the only
// form of its device, as the engine writes a device without cuts. The seed picks the identities.
std::string CountRequestBody(const std::vector<std::string>& identities, unsigned seed);
