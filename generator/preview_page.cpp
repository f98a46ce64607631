#include "generator/preview_page.h"

std::string previewFolder() { return {}; }
bool preparePreviewFolder(const std::string&) { return false; }
std::string sampleImagePath() { return {}; }
PreviewResult RenderPreview(const PreviewInput&, const std::string&, const std::string&, IPrompter&)
{
    return {PreviewOutcome::NoTheme, {}, {}};
}
std::string fillPreviewPage(std::string pageTemplate, const PreviewInput&, const std::string&) { return pageTemplate; }
size_t CopyThemeImages(const std::string&, const std::string&, const std::string&) { return 0; }
bool MakeSampleImage(const CPicture&, int, const std::string&) { return false; }
