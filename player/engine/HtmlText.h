#pragma once
// The HTML of text fields: <p align>, <br>, <b>, <i>, <u>, <a href target>,
// <font face size color>, <textformat> and <li>, with the usual character
// entities. Other tags are passed over and their text kept.
#include <functional>
#include <string>
#include <vector>

#include "TextLayout.h"

namespace tvmplayer {

// The embedded font of a face name, or null to draw it with a device font.
using FontLookup = std::function<const Font*(const std::string& face, bool bold, bool italic)>;

// base: the field's own style, where the text sets none.
std::vector<TextSpan> ParseHtmlText(const std::string& html, const TextSpan& base, const FontLookup& lookup);

// The spans as the HTML of a field's htmlText: a P per paragraph, a FONT per
// span and the tags of its style, read back as the same spans.
std::string WriteHtmlText(const std::vector<TextSpan>& spans);

// A plain text in one style, as spans.
std::vector<TextSpan> PlainText(const std::string& text, const TextSpan& base);

}
