// The "Frame Scan" command: the full frame walk over chosen rows, with the
// marker column recording which rows are chosen and which are done.
#pragma once

#include <cstddef>

#include "core/FileRows.h"
#include "core/Progress.h"

namespace quilto::core {

enum class FrameScanVariant {
    Pack = 1,    // rows with an icon: packed files and files that could not be opened
    UnPack = 2,  // rows without an icon
    Vbr = 3,     // rows whose C/V column is "VBR"
    Select = 4,  // selected rows
    All = 5,
};

// What the window does while the command runs: select and show the row being
// scanned, and tell how far the command is.
class FrameScanObserver {
public:
    virtual ~FrameScanObserver() = default;
    virtual void scanStarting(std::size_t /*chosen*/, std::size_t /*rows*/) {}
    virtual void rowStarting(std::size_t /*row*/, std::size_t /*done*/, std::size_t /*chosen*/) {}
    virtual void rowFinished(std::size_t /*row*/) {}
};

struct FrameScanResult {
    std::size_t chosen = 0;
    bool cancelled = false;
};

FrameScanResult FrameScanCommand(FolderRows& rows, FrameScanVariant variant, Progress& progress,
                                 FrameScanObserver* observer = nullptr);

}  // namespace quilto::core
