// Finds and opens a device library at run time. The search never looks in the working
// directory: only absolute folders from TESMIRA_PLUGIN_PATH, the executable's own folder, then
// the program's private library folders, then the system library path.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tesmira {

// Where to look for a library, in order.
struct LibrarySearch {
    std::string pluginPath;     // colon-separated folders; relative entries are skipped
    std::string executableDir;  // empty = not searched
    bool systemPath = true;     // finally the dynamic linker's own search by bare name
    // An installed program's private library folders, tried after the executable's folder (and
    // before the system path). The program names them: the build knows where it installs.
    std::vector<std::string> privateDirs;

    // TESMIRA_PLUGIN_PATH and the folder of /proc/self/exe.
    static LibrarySearch FromEnvironment();
    // The absolute file names to try before the system path, in order.
    std::vector<std::string> Candidates(std::string_view fileName) const;
};

// An opened library whose required symbols were all found. Closed when destroyed.
class SharedLibrary {
public:
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The first candidate that exists is the one opened (RTLD_NOW | RTLD_LOCAL); a library that
    // lacks any of `symbols` counts as missing. Null on failure, with the reason in `why`;
    // `absent` tells whether the file is simply not there (rather than there but unusable).
    static std::unique_ptr<SharedLibrary> Open(std::string_view fileName,
                                               std::initializer_list<const char*> symbols,
                                               const LibrarySearch& search,
                                               std::string* why = nullptr, bool* absent = nullptr);

    void* Symbol(const char* name) const;
    const std::string& Path() const { return path_; }

private:
    SharedLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};

}  // namespace tesmira
