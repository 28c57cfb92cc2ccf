// The maker's web pages opened from the help menu, through the desktop's browser.
#pragma once

#include <functional>
#include <string>

namespace tesmira {

extern const char* const kUpdatePageUrl;  // 32778
extern const char* const kCodecPageUrl;   // 32780

using UrlOpener = std::function<bool(const std::string& url)>;
// Replaces the desktop opener (tests); an empty opener restores QDesktopServices.
void SetUrlOpener(UrlOpener opener);

// Opens the page; on failure beeps and shows "インターネットに接続してください。\n".
void OpenWebPage(const std::string& url);

}  // namespace tesmira
