#include "uploadsink.h"

namespace scrivlo {

std::unique_ptr<UploadSink> makeUploadSink()
{
    return std::make_unique<UploadSink>();
}

} // namespace scrivlo
