#pragma once
// Texts put into the pages' attributes and between their tags.
//
// The gallery's own texts (titles, captions, comments, the description) are HTML as the owner wrote
// them: between tags they go in as they are, and in an attribute as attributeText(). Anything else
// (a file name, what a picture's file says of itself) is plain text and goes in as escapedText()
// everywhere. Either way "%" is written as a reference, so no later key of the page is found inside.

#include <string>
#include <string_view>

// Text of a fragment of HTML for an attribute value: tags dropped, runs of white space made one
// space, quotes, a lone "<" or ">" and an "&" that begins no character reference written as
// references.
std::string attributeText(std::string_view html);
// Plain text for an attribute or between tags: "&", "<", ">", quotes and "%" as references.
std::string escapedText(std::string_view text);
// The name of a picture's file for people: the folder and extension dropped, "_" and runs of
// white space made one space ("/p/Bridge_by_Sander_Klootwijk.jpg" gives "Bridge by Sander Klootwijk").
std::string readableFileName(std::string_view path);
