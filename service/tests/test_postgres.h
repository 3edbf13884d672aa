#pragma once
// A PostgreSQL server of the tests' own (Debian's postgresql package): a cluster initialised in
// a temporary folder on first use, run by a user other than root (the server refuses root),
// listening on a free loopback port with its socket in that folder, and stopped when the test
// program ends. Each caller gets an empty database of its own.
#include <string>

// The postgresql:// address of a new database; empty, with a message in error, when the
// server cannot be started.
std::string NewPostgresDatabase(std::string& error);
