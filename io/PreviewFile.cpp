#include "io/PreviewFile.h"

#include "io/AtomicFileWriter.h"

namespace ryx {

Result<> writePreviewFile(const ProgramState& state, PreviewMode mode,
                                 const OutputTarget& target) {
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    const PreviewContent content = previewContent(state, mode);
    writer.write(content.header.data(), content.header.size());
    writer.write(content.samples.data(), content.samples.size());
    return writer.commit();
}

}  // namespace ryx
