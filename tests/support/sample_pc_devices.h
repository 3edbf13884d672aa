#pragma once
// The devices of the demo's sample PC: a chipset part, a sound device and a mouse, each
// with a driver version, registered in the Wine prefix like installed hardware.
#include "test_devices.h"

#include <memory>
#include <vector>

// Registers the sample devices; they are removed when the returned objects are destroyed.
// Empty when a device could not be registered (those made so far are removed again).
std::vector<std::unique_ptr<TestDevices>> InstallSamplePcDevices();
