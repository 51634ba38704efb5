// The texts of the main window's status panels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/FileRows.h"

namespace quilto::core {

// Panel 0: "[" selected "/" rows "]   " bytes "  " play time, from the
// numbers kept beside the FileSize and Time texts of the selected rows.
std::string SelectionSummary(const FolderRows& rows);

// Panel 0 while the frame scan runs: "[" chosen "/" rows "]  Frame Scan ...".
std::string FrameScanSummary(std::size_t chosen, std::size_t rows);

// Panel 1 of the "Pack" and "UnPack" pages: bytes "  " play time.
std::string TrackCountLine(std::uint64_t bytes, std::uint64_t seconds);

// Panel 1 of the tag pages: "Tag:" T "  Edit:" E "  Total:" N.
std::string TagCountLine(std::size_t tagged, std::size_t edited, std::size_t total);

// Panel 1 of the "ReName" page: "Error:" R "  Edit:" E "  Total:" N.
std::string RenameCountLine(std::size_t errors, std::size_t edited, std::size_t total);

}  // namespace quilto::core
