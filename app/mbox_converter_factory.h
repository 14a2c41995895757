// The converter every front end gives its dialog: the whole-store conversion into mbox files.
#pragma once

#include <memory>

#include "engine/progress_monitor.h"
#include "engine/store_converter.h"

namespace boxferry {

std::unique_ptr<StoreConverter> MakeMboxConverter(ProgressMonitor* monitor);

}  // namespace boxferry
