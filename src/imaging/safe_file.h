// Writing picture files so that a failure never leaves half a file under the final name: the
// bytes go to a hidden temporary file in the same folder, which is flushed to disk and only then
// given its final name.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace tesmira {

enum class WriteCode {
    kOk,
    kExists,  // the final name was taken and the file was not to be replaced
    kFailed,  // could not create, write or place the file; `error` says why
};

struct WriteResult {
    WriteCode code = WriteCode::kFailed;
    std::string error;  // names the file; empty on success
    bool ok() const { return code == WriteCode::kOk; }
};

enum class ExistingFile {
    kReplace,  // a file already at the final name is replaced in one step
    kKeep,     // never replace: the final name is created exclusively, else kExists
};

// Fills a temporary file through `body` (which returns an empty text on success, else why it
// failed) and puts it at `path`. On any failure the temporary file is removed and nothing
// appears at `path`. `openError` is the text for a file that cannot be created; "%s" in it
// receives the path.
WriteResult WriteFileSafely(const std::string& path, ExistingFile existing,
                            const std::function<std::string(std::FILE*)>& body,
                            const char* openError = "cannot create %s: ");

}  // namespace tesmira
