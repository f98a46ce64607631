#include "generator/page_meta.h"

#include "gallery/gallery_settings.h"

namespace {

std::string metaTag(const char* attribute, const char* name, const std::string& content)
{
    return std::string("<meta ") + attribute + "=\"" + name + "\" content=\"" + content + "\">\n";
}

std::string metaTags(const std::string& title, const std::string& description, const std::string& firstPhoto)
{
    std::string out;
    if (!description.empty()) out += metaTag("name", "description", description);
    out += metaTag("property", "og:type", "website");
    out += metaTag("property", "og:title", title);
    if (!description.empty()) out += metaTag("property", "og:description", description);
    if (!firstPhoto.empty()) out += metaTag("property", "og:image", attributeText(firstPhoto));
    out += metaTag("name", "twitter:card", firstPhoto.empty() ? "summary" : "summary_large_image");
    return out;
}

}  // namespace

std::string pageMetaTags(const GallerySettings& settings, const std::string& firstPhoto)
{
    return metaTags(attributeText(settings.galleryTitle), attributeText(pageDescription(settings)), firstPhoto);
}

std::string pictureMetaTags(const GallerySettings& settings, const std::string& label, const std::string& photo)
{
    std::string text = attributeText(label);
    if (text.empty())
        return metaTags(attributeText(settings.galleryTitle), attributeText(pageDescription(settings)), photo);
    return metaTags(text, text, photo);
}
