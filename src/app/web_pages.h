// The maker's web pages opened from the help menu, through the desktop's browser.
#pragma once

#include <functional>
#include <string>

namespace tesmira {

class INotifier;

extern const char* const kUpdatePageUrl;  // 32778
extern const char* const kCodecPageUrl;   // 32780

// Opens a page; true when it was handed to a browser.
using UrlOpener = std::function<bool(const std::string& url)>;

// Opens the page with `opener` (empty: QDesktopServices); on failure beeps and tells `notifier`
// "インターネットに接続してください。\n".
void OpenWebPage(const std::string& url, INotifier& notifier, const UrlOpener& opener = {});

}  // namespace tesmira
