#include "archive/path_rules.h"

#include "platform/file_attributes.h"
#include "platform/file_operations.h"

#include <algorithm>
#include <cctype>

namespace palvex::archive {

namespace {
char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
} // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string normaliseStoredName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string folderPart(const std::string& path) {
    const auto at = path.find_last_of("/:");
    return at == std::string::npos ? std::string{} : path.substr(0, at + 1);
}

std::string namePart(const std::string& path) {
    const auto at = path.find_last_of("/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string withTrailingSeparator(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

std::string extensionOf(const std::string& path) {
    const std::string name = namePart(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string{} : name.substr(dot);
}

bool createFolderWithParents(const std::string& folder) {
    if (platform::isFolder(folder))
        return true;
    const std::string path = withTrailingSeparator(folder);
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        platform::createFolder(path.substr(0, at)); // failures show in the final answer
    return platform::isFolder(folder);
}

std::string storedNameFor(const std::string& path, const std::string& root, TStoredDirNames rule,
                          const std::string& defaultDir) {
    auto withoutDrive = [&path]() -> std::string {
        if (const auto colon = path.find(':'); colon != std::string::npos)
            return path.substr(colon + 1);
        if (path.size() > 2 && path.compare(0, 2, "//") == 0) {
            const std::string rest = path.substr(2);
            const auto server = rest.find('/');
            if (server == std::string::npos)
                return {};
            const auto share = rest.find('/', server + 1);
            return share == std::string::npos ? std::string{} : rest.substr(share);
        }
        return path;
    };
    auto relativeTo = [&path](const std::string& base) {
        return !base.empty() && startsWithNoCase(path, base) ? path.substr(base.size()) : path;
    };

    switch (rule) {
    case sdNone:
        return namePart(path);
    case sdAbsolute:
        return path;
    case sdAbsoluteNoDrv:
        return withoutDrive();
    case sdAbsoluteNoRoot: {
        std::string name = withoutDrive();
        return !name.empty() && name.front() == '/' ? name.substr(1) : name;
    }
    case sdRelative:
        return relativeTo(root);
    case sdRelativeStoreStart: {
        std::string base = root;
        while (!base.empty() && base.back() == '/')
            base.pop_back();
        const std::size_t lastFolder = namePart(base).size();
        const std::size_t drop = root.size() >= lastFolder + 1 ? root.size() - lastFolder - 1 : 0;
        return drop <= path.size() ? path.substr(drop) : std::string{};
    }
    case sdExplorer_Auto:
    case sdExplorer_UserDefineDefaultDir: {
        const std::string dir = withTrailingSeparator(defaultDir);
        if (!root.empty() && !dir.empty() && equalsNoCase(withTrailingSeparator(root), dir))
            return relativeTo(root);
        return relativeTo(dir);
    }
    }
    return path;
}

std::string commonFolder(const std::string& a, const std::string& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && lower(a[n]) == lower(b[n]))
        ++n;
    const std::string common = a.substr(0, n);
    const auto slash = common.find_last_of('/');
    return slash == std::string::npos ? std::string{} : common.substr(0, slash + 1);
}

} // namespace palvex::archive
