#pragma once
// Themes and placeholders: where the theme folders are, how templates are read and results
// written, the replacement primitive, and the two templates filled with a gallery's values.
//
// ABOUT
//   A theme is a folder under the template root (program folder + separator + "template") holding
//   "index.html" (the page template), "style.css" (the style-sheet template) and "images" (copied
//   unchanged next to the pages). None of these functions keeps state between calls.
//
// USAGE
//   std::string root = defaultTemplateRoot();
//   std::string theme = ResolveTheme(doc.themeName, root);          // "" when no theme is installed
//   std::string page = LoadPageTemplate(doc, root);                 // "" when missing or empty
//   ReplaceAll(page, "%ALBUMS%", albumList);
//   WriteTextFile(path, page);                                      // LF written as CR LF
//
// Every function taking a template root has an overload without it that uses
// defaultTemplateRoot(), so callers and tests can point at a root of their own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gallery/gallery_settings.h"

// The folder of the running program: its full path cut at the last "\" or "/"; the separator is
// kept when it follows a drive's ":" (or is the root "/"), so "C:\Builder.exe" gives "C:\".
std::string GetProgramFolder();
// The folder holding what ships with the program ("template", "sample.gif"): the program folder
// itself when "template" is there (the Windows layout, the build tree), else the package layout of
// a program installed as <prefix>/bin/fotoloom, <prefix>/share/fotoloom, when that holds "template";
// else the program folder.
std::string shippedFilesFolder(const std::string& programFolder);
// shippedFilesFolder(GetProgramFolder()) + separator + "template".
std::string defaultTemplateRoot();
// root + separator + name: the folder of one theme.
std::string themeFolder(const std::string& templateRoot, const std::string& themeName);

// The whole file with every CR LF turned into LF; "" when the file cannot be opened or read.
std::string ReadTextFile(const std::string& path);
// Creates or truncates the file and writes the text with every LF (not already preceded by CR)
// written as CR LF. False when the file cannot be created or written; nothing is reported.
bool WriteTextFile(const std::string& path, const std::string& text);
// The text as WriteTextFile would put it on disk (for comparing with a file already there).
std::string toCrLf(std::string_view text);

// Replaces every occurrence of key in text, in place, scanning on after each inserted value (so
// the value itself is never searched by this call). An empty key or text replaces nothing.
// Returns the number of replacements.
size_t ReplaceAll(std::string& text, std::string_view key, std::string_view value);

// A 0x00BBGGRR colour as "#rrggbb", lower-case hexadecimal.
std::string FormatColour(int32_t colour);
// A number in decimal, "-" first when negative, no leading zeros.
std::string decimal(int64_t value);

// The theme to use for name: name itself when its folder exists, else the first folder the file
// system lists under the root (neither "." nor ".."), else "" (then tell kNoThemeMessage).
std::string ResolveTheme(const std::string& name, const std::string& templateRoot);
std::string ResolveTheme(const std::string& name);
// Every theme folder under the root, sorted without regard to case; names equal without regard
// to case keep the order in which the file system listed them.
std::vector<std::string> ListThemes(const std::string& templateRoot);
std::vector<std::string> ListThemes();

// The theme's "index.html" with "%GALLERYTITLE%" and "%GALLERYDESCRIPTION%" filled; "" when the
// template is missing or empty. Uses gallery.themeName as it stands (resolve it first).
std::string LoadPageTemplate(const GallerySettings& gallery, const std::string& templateRoot);
std::string LoadPageTemplate(const GallerySettings& gallery);
// The theme's picture page template "picture.html" (optional) with "%GALLERYTITLE%" and
// "%GALLERYDESCRIPTION%" filled; "" when the theme has none (its picture pages are then the fixed
// text they always were).
std::string LoadPicturePageTemplate(const GallerySettings& gallery, const std::string& templateRoot);
// Whether the theme's templates, as stored, use a key: its page template or its picture page
// template holds `key`.
bool themeUses(const std::string& templateRoot, const std::string& themeName, std::string_view key);
// The theme's "style.css" with the thirteen style-sheet keys filled (the album link colour under
// "%ALBUMLINKCOLOR%"); "" when the template is missing or empty.
std::string LoadStyleSheet(const GallerySettings& gallery, const std::string& templateRoot);
std::string LoadStyleSheet(const GallerySettings& gallery);
// Fills the thirteen style-sheet keys of a style-sheet template in their fixed order, then
// kDarkMediaKey. The build names the album link colour "%ALBUMLINKCOLOR%", the preview
// "%ALBUMLINKSCOLOR%".
void fillStyleSheet(std::string& text, const GallerySettings& values, std::string_view albumLinkKey);

// In a style sheet: the media query of the theme's dark variant ("@media %DARKMEDIA% { ... }").
inline constexpr char kDarkMediaKey[] = "%DARKMEDIA%";
inline constexpr char kNoThemeMessage[] = "Cannot load template. Reinstall Fotoloom.";
inline constexpr char kPageTemplateName[] = "index.html";
inline constexpr char kStyleSheetName[] = "style.css";
inline constexpr char kPicturePageTemplateName[] = "picture.html";
inline constexpr char kThemeImagesName[] = "images";
