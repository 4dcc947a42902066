// Opening a document (the manuals) with the program the desktop associates with its type.
#pragma once

#include <filesystem>
#include <string>

namespace vrtruty::platform {

enum class OpenDocumentResult {
    Opened,    // handed to the desktop's viewer, which runs on its own
    NotFound,  // no such file (a folder counts as no file)
    NoViewer,  // no program is associated with the document's type, or none could be started
};

class DocumentOpener {
  public:
    virtual ~DocumentOpener();
    virtual OpenDocumentResult Open(const std::filesystem::path& document) = 0;
};

// The document's type as the desktop's association database names it: "application/pdf" for
// ".pdf" in any case, "application/octet-stream" for everything else.
std::string MimeTypeOf(const std::filesystem::path& document);

// A Linux desktop: asks `xdg-mime query default TYPE` whether a viewer is associated, then
// starts `xdg-open DOCUMENT` detached, without waiting for the viewer.
class DesktopDocumentOpener final : public DocumentOpener {
  public:
    // A program name with a slash is taken as a path, any other is searched on PATH.
    explicit DesktopDocumentOpener(std::string mimeQueryProgram = "xdg-mime",
                                   std::string openProgram = "xdg-open");

    OpenDocumentResult Open(const std::filesystem::path& document) override;

  private:
    std::string mimeQueryProgram_;
    std::string openProgram_;
};

}  // namespace vrtruty::platform
