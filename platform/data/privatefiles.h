#pragma once
// The register holds names, addresses and identity numbers: its file and the
// engine's side files (-wal, -shm, -journal) are for their owner only.
#include <string>

namespace kadrolin::data {

// Creates an empty file 0600 whatever the umask; the engine then makes its
// side files with the same mode. False when it exists or cannot be made.
bool CreateOwnerOnlyFile(const std::string &fileName);

// Takes group and other permissions away from the register file and its side
// files where they are our own plain files; what cannot be changed is left.
void TightenRegisterFiles(const std::string &fileName);

} // namespace kadrolin::data
