#include "instruments/library_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace tesmira {

LibrarySearch LibrarySearch::FromEnvironment() {
    LibrarySearch search;
    if (const char* path = std::getenv("TESMIRA_PLUGIN_PATH"))
        search.pluginPath = path;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        search.executableDir = exe.parent_path().string();
    return search;
}

std::vector<std::string> LibrarySearch::Candidates(std::string_view fileName) const {
    std::vector<std::string> out;
    auto add = [&](std::string_view folder) {
        // A relative or empty folder would mean the working directory: never searched.
        if (folder.empty() || folder.front() != '/')
            return;
        std::string path(folder);
        if (path.back() != '/')
            path += '/';
        out.push_back(path + std::string(fileName));
    };
    std::string_view rest = pluginPath;
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        add(rest.substr(0, colon));
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    add(executableDir);
    for (const std::string& folder : privateDirs)
        add(folder);
    return out;
}

std::unique_ptr<SharedLibrary> SharedLibrary::Open(std::string_view fileName,
                                                   std::initializer_list<const char*> symbols,
                                                   const LibrarySearch& search, std::string* why,
                                                   bool* absent) {
    auto fail = [&](std::string reason, bool notThere = false) {
        if (why)
            *why = std::move(reason);
        if (absent)
            *absent = notThere;
        return std::unique_ptr<SharedLibrary>();
    };
    // A name with a slash would be opened relative to the working directory.
    if (fileName.empty() || fileName.find('/') != std::string_view::npos)
        return fail("not a plain library name: " + std::string(fileName));

    std::string path;
    for (const std::string& candidate : search.Candidates(fileName)) {
        if (access(candidate.c_str(), F_OK) == 0) {
            path = candidate;
            break;
        }
    }
    if (path.empty()) {
        if (!search.systemPath)
            return fail(std::string(fileName) + " not found", true);
        path = std::string(fileName);  // the dynamic linker's search; it has no slash
    }
    const bool bySystemSearch = path == fileName;

    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* err = dlerror();
        const std::string reason = err ? err : path + " cannot be opened";
        // The dynamic linker found no file of that name anywhere it looks.
        const bool notThere =
            bySystemSearch && reason.find("No such file or directory") != std::string::npos;
        return fail(reason, notThere);
    }
    std::unique_ptr<SharedLibrary> lib(new SharedLibrary(handle, path));
    for (const char* name : symbols) {
        if (!lib->Symbol(name))
            return fail(path + " lacks " + name);
    }
    return lib;
}

SharedLibrary::~SharedLibrary() {
    if (handle_)
        dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

}  // namespace tesmira
