// Texts shown to the user are written in Japanese, the program's own language, and looked up in
// the translation the program loaded when they are put together for display (none loaded: the
// Japanese itself). Engine rooms use these two names, so their headers stay plain C++; the Qt
// rooms use tr() and QCoreApplication::translate. Texts written into files (logs, file names,
// settings keys, the picture overlay) never pass through here.
//
// A format with %d/%s is looked up before it is filled in, so the translation sees the format.
// scripts/update_translations.sh extracts both names along with Qt's own.
#pragma once

#include <string>

// Marks a text for extraction where it is defined (a table, a constant); UiText translates it
// where it is shown.
#define UI_TEXT_NOOP(context, text) text

namespace tesmira {

// The loaded translation of `source` in `context` (UTF-8 in, UTF-8 out), or `source` itself.
std::string UiText(const char* context, const char* source);

// `text` with its first "%s" replaced by `value`: for paths and system texts of any length,
// which may hold a '%' themselves and so never go through printf.
std::string FillIn(std::string text, const std::string& value);

}  // namespace tesmira
