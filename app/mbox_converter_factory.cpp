#include "app/mbox_converter_factory.h"

#include "message/mbox_converter.h"

namespace boxferry {

std::unique_ptr<StoreConverter> MakeMboxConverter(ProgressMonitor* monitor) {
  return std::make_unique<MboxConverter>(monitor);
}

}  // namespace boxferry
