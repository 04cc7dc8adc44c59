#include "uploadsink.h"

#include "storedstrokeupload.h"

namespace scrivlo {

std::unique_ptr<UploadSink> makeUploadSink(ControllerState &state, FrameWriter &writer)
{
    return std::make_unique<StoredStrokeUpload>(state, writer);
}

} // namespace scrivlo
