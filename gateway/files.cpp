#include "files.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

namespace tarngw {

namespace {

bool iequals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool hasExtension(std::string_view name, std::string_view ext)
{
    return name.size() > ext.size() && iequals(name.substr(name.size() - ext.size()), ext);
}

// A name that can travel quoted and stays one component on every agent type.
bool validName(std::string_view name, int osType)
{
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 32 || c == '/' || c == '\\' || c == '"') return false;
        if (osType != kOsUnix && std::strchr(":*?<>|", c)) return false;
    }
    return true;
}

// Windows-type agents find names in any letter case.
fs::path lookup(const fs::path& dir, std::string_view name, int osType)
{
    fs::path exact = dir / std::string(name);
    std::error_code ec;
    if (osType == kOsUnix || fs::symlink_status(exact, ec).type() != fs::file_type::not_found) return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (iequals(it->path().filename().string(), name)) return it->path();
    return exact;
}

bool writeFile(const fs::path& path, std::string_view body, int mode = 0644)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.close();
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
    return static_cast<bool>(out);
}

std::string modifiedText(std::time_t t)
{
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[24];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    return text;
}

int modeDigits(mode_t m)
{
    return static_cast<int>(((m >> 6) & 7) * 100 + ((m >> 3) & 7) * 10 + (m & 7));
}

bool inside(const fs::path& base, const fs::path& path)
{
    // The deepest existing ancestor, with links resolved, must still be in the agent's folder.
    std::error_code ec;
    fs::path probe = path;
    while (!probe.empty() && fs::symlink_status(probe, ec).type() == fs::file_type::not_found)
        probe = probe.parent_path();
    fs::path real = fs::weakly_canonical(probe, ec);
    fs::path realBase = fs::weakly_canonical(base, ec);
    if (ec) return false;
    auto b = realBase.begin(), p = real.begin();
    for (; b != realBase.end(); ++b, ++p)
        if (p == real.end() || *b != *p) return false;
    return true;
}

} // namespace

fs::path AgentFiles::agentDir(const Agent& agent) const
{
    return root_ / std::string(agent.addressText());
}

bool AgentFiles::ensureTree(Agent& agent, int osType, std::string* error)
{
    if (agent.treeReady) return true;
    fs::path dir = agentDir(agent);
    std::error_code ec;
    if (fs::is_directory(dir, ec)) {
        agent.treeReady = true; // kept from an earlier run
        return true;
    }
    std::string host(agent.name());
    std::string log = "boot: agent started\nnet: link up\ntime: synchronised\n";
    bool ok = true;
    if (osType == kOsUnix) {
        ok &= writeFile(dir / "etc/hostname", host + "\n");
        ok &= writeFile(dir / "etc/tarn-agent.conf", "gateway=auto\npoll=30\n");
        ok &= writeFile(dir / "home/admin/readme.txt", "Service notes for " + host + ".\n");
        ok &= writeFile(dir / "usr/bin/tarn-agent", "#!/bin/sh\nexec /usr/lib/tarn/agent \"$@\"\n", 0755);
        ok &= writeFile(dir / "usr/bin/collect.sh", "#!/bin/sh\necho collecting\n", 0755);
        ok &= writeFile(dir / "var/log/messages", log);
        ok &= writeFile(dir / "opt/app/config.ini", "[app]\nmode=production\n");
        fs::create_directories(dir / "tmp", ec);
    } else if (osType == kOsCe) {
        ok &= writeFile(dir / "Windows/TarnAgent.exe", std::string("MZ\x90\0\x03", 5) + "TarnAgent");
        ok &= writeFile(dir / "Windows/agent.ini", "[Agent]\r\nPoll=30\r\n");
        ok &= writeFile(dir / "Storage Card/scanner.exe", std::string("MZ\x90\0\x03", 5) + "scanner");
        ok &= writeFile(dir / "Storage Card/config.xml", "<config><site>" + host + "</site></config>\r\n");
        ok &= writeFile(dir / "My Documents/readme.txt", "Service notes for " + host + ".\r\n");
        fs::create_directories(dir / "Temp", ec);
    } else {
        ok &= writeFile(dir / "C/Windows/system32/drivers/etc/hosts", "127.0.0.1 localhost\r\n");
        ok &= writeFile(dir / "C/Program Files/Tarn Agent/TarnAgent.exe",
                        std::string("MZ\x90\0\x03", 5) + "TarnAgent");
        ok &= writeFile(dir / "C/Program Files/Tarn Agent/agent.ini", "[Agent]\r\nPoll=30\r\n");
        ok &= writeFile(dir / "C/HMI/hmi.exe", std::string("MZ\x90\0\x03", 5) + "hmi");
        ok &= writeFile(dir / "C/HMI/start.bat", "@echo off\r\nstart hmi.exe /kiosk\r\n");
        ok &= writeFile(dir / "D/Data/log.txt", log);
        ok &= writeFile(dir / "D/Data/recipes.csv", "id;name\r\n1;default\r\n");
        fs::create_directories(dir / "C/Temp", ec);
    }
    // The scratch folder of each agent type carries the drills' odd entries.
    const fs::path scratch = osType == kOsUnix ? dir / "tmp"
                             : osType == kOsCe ? dir / "Temp"
                                               : dir / "C/Temp";
    if (faults_.oddNames) {
        ok &= writeFile(scratch / "with space.txt", "spaces\n");
        ok &= writeFile(scratch / "quote\"d.txt", "a quote\n");
        ok &= writeFile(scratch / "back\\slash.txt", "a backslash\n");
        ok &= writeFile(scratch / (std::string(200, 'L') + ".txt"), "long\n");
    }
    if (faults_.hugeFile) {
        ok &= writeFile(scratch / "huge.img", "");
        fs::resize_file(scratch / "huge.img", 5000000000ull, ec); // sparse: takes no disk
        ok &= !ec;
    }
    if (faults_.lockedFolder) {
        ok &= writeFile(scratch / "locked/secret.txt", "not for you\n");
    }
    if (!ok || !fs::is_directory(dir, ec)) {
        *error = text::kAccessDenied;
        return false;
    }
    agent.treeReady = true;
    return true;
}

bool AgentFiles::resolve(const Agent& agent, int osType, std::string_view path, fs::path* host,
                         bool* driveList, std::string* error) const
{
    *driveList = false;
    fs::path at = agentDir(agent);
    const fs::path base = at;
    std::string_view rest = path;
    if (osType == kOsXpe) {
        if (rest.empty() || rest == ":" || rest == "\\" || rest == "/") {
            *driveList = true;
            *host = at;
            return true;
        }
        if (rest.size() < 2 || !std::isalpha(static_cast<unsigned char>(rest[0])) || rest[1] != ':') {
            *error = text::kPathNotFound; // Windows-type paths start with a drive
            return false;
        }
        at /= std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0]))));
        rest.remove_prefix(2);
        std::error_code ec;
        if (!fs::is_directory(at, ec)) {
            *error = text::kPathNotFound;
            return false;
        }
    }
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = rest.size();
        std::string_view part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            *error = text::kAccessDenied; // never above the agent's own root
            return false;
        }
        for (char c : part)
            if (static_cast<unsigned char>(c) < 32 || (osType != kOsUnix && std::strchr(":*?<>|\"", c))) {
                *error = text::kBadName;
                return false;
            }
        at = lookup(at, part, osType);
    }
    if (!inside(base, at)) {
        *error = text::kAccessDenied;
        return false;
    }
    *host = at;
    return true;
}

bool AgentFiles::list(const Agent& agent, int osType, std::string_view path, std::vector<DirEntry>* entries,
                      std::string* error) const
{
    fs::path dir;
    bool drives = false;
    if (!resolve(agent, osType, path, &dir, &drives, error)) return false;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        *error = text::kPathNotFound;
        return false;
    }
    if (locked(agent, dir)) {
        *error = text::kAccessDenied;
        return false;
    }
    std::vector<DirEntry> dirs, files;
    if (faults_.oddNames && !drives)
        for (const char* name : {".", ".."}) {
            DirEntry e;
            e.kind = 'd';
            e.name = name;
            e.mode = 755;
            dirs.push_back(e);
        }
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        struct stat st
        {
        };
        if (::lstat(it->path().c_str(), &st) != 0 || name.rfind(".tarn-part-", 0) == 0) continue;
        // Odd-name drills send quotes as they are, the way a careless agent would.
        bool printable = std::none_of(name.begin(), name.end(), [this](char c) {
            return (c == '"' && !faults_.oddNames) || static_cast<unsigned char>(c) < 32;
        });
        if (!printable) continue;
        DirEntry e;
        e.name = name;
        e.modified = modifiedText(st.st_mtime);
        e.mode = modeDigits(st.st_mode);
        if (drives) {
            if (name.size() != 1 || !S_ISDIR(st.st_mode)) continue;
            e.kind = ':';
            e.name += ':';
            e.modified.clear();
            dirs.push_back(e);
        } else if (S_ISDIR(st.st_mode)) {
            e.kind = 'd';
            dirs.push_back(e);
        } else {
            e.size = static_cast<std::uint64_t>(st.st_size);
            files.push_back(e);
        }
    }
    auto byName = [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; };
    std::sort(dirs.begin(), dirs.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    *entries = std::move(dirs);
    entries->insert(entries->end(), files.begin(), files.end());
    return true;
}

bool AgentFiles::child(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                       fs::path* host, std::string* error) const
{
    fs::path folder;
    bool drives = false;
    if (!resolve(agent, osType, dir, &folder, &drives, error)) return false;
    std::error_code ec;
    if (drives || !fs::is_directory(folder, ec)) {
        *error = drives ? text::kAccessDenied : text::kPathNotFound;
        return false;
    }
    if (!validName(name, osType)) {
        *error = text::kBadName;
        return false;
    }
    *host = lookup(folder, name, osType);
    if (locked(agent, *host)) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::rename(const Agent& agent, int osType, std::string_view dir, std::string_view from,
                        std::string_view to, std::string* error) const
{
    fs::path source, target;
    if (!child(agent, osType, dir, from, &source, error) || !child(agent, osType, dir, to, &target, error))
        return false;
    std::error_code ec;
    if (fs::symlink_status(source, ec).type() == fs::file_type::not_found) {
        *error = text::kFileNotFound;
        return false;
    }
    // On Windows-type agents a change of letter case alone is a rename of the same entry.
    bool sameEntry = osType != kOsUnix && target == source;
    if (sameEntry)
        target = source.parent_path() / std::string(to);
    else if (fs::symlink_status(target, ec).type() != fs::file_type::not_found) {
        *error = text::kAlreadyExists;
        return false;
    }
    fs::rename(source, target, ec);
    if (ec) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::removeFile(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                            std::string* error) const
{
    fs::path file;
    if (!child(agent, osType, dir, name, &file, error)) return false;
    std::error_code ec;
    auto type = fs::symlink_status(file, ec).type();
    if (type == fs::file_type::not_found) {
        *error = text::kFileNotFound;
        return false;
    }
    if (type == fs::file_type::directory || !fs::remove(file, ec)) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::changeMode(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                            int mode, std::string* error) const
{
    if (mode < 0 || mode > 777 || mode % 10 > 7 || mode / 10 % 10 > 7) {
        *error = "The parameter is incorrect.";
        return false;
    }
    fs::path file;
    if (!child(agent, osType, dir, name, &file, error)) return false;
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        *error = text::kFileNotFound;
        return false;
    }
    mode_t bits = static_cast<mode_t>((mode / 100) << 6 | (mode / 10 % 10) << 3 | (mode % 10));
    // The simulation must be able to read and manage its own tree whatever mode is asked for.
    bits |= S_IRUSR | S_IWUSR | (fs::is_directory(file, ec) ? S_IXUSR : 0);
    if (::chmod(file.c_str(), bits) != 0) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::makeDir(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                         std::string* error) const
{
    fs::path folder;
    if (!child(agent, osType, dir, name, &folder, error)) return false;
    std::error_code ec;
    if (fs::symlink_status(folder, ec).type() != fs::file_type::not_found) {
        *error = text::kAlreadyExists;
        return false;
    }
    if (!fs::create_directory(folder, ec)) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::removeDir(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                           std::string* error) const
{
    fs::path folder;
    if (!child(agent, osType, dir, name, &folder, error)) return false;
    std::error_code ec;
    auto type = fs::symlink_status(folder, ec).type();
    if (type == fs::file_type::not_found) {
        *error = text::kPathNotFound;
        return false;
    }
    if (type != fs::file_type::directory) {
        *error = "The directory name is invalid.";
        return false;
    }
    if (faults_.strictRmdir && !fs::is_empty(folder, ec)) {
        *error = text::kNotEmpty;
        return false;
    }
    fs::remove_all(folder, ec);
    if (ec) {
        *error = text::kAccessDenied;
        return false;
    }
    return true;
}

bool AgentFiles::checkExecutable(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                                 std::string* error) const
{
    fs::path file;
    if (!child(agent, osType, dir, name, &file, error)) return false;
    struct stat st
    {
    };
    if (::stat(file.c_str(), &st) != 0) {
        *error = text::kFileNotFound;
        return false;
    }
    bool runnable =
        S_ISREG(st.st_mode) && (osType == kOsUnix ? (st.st_mode & S_IXUSR) != 0
                                                  : hasExtension(name, ".exe") || hasExtension(name, ".bat"));
    if (!runnable) {
        *error = text::kNotExecutable;
        return false;
    }
    return true;
}

bool AgentFiles::locked(const Agent& agent, const fs::path& host) const
{
    if (!faults_.lockedFolder) return false;
    const fs::path base = agentDir(agent);
    auto b = base.begin();
    for (auto p = host.begin(); p != host.end(); ++p) {
        if (b != base.end()) {
            ++b;
            continue;
        }
        if (*p == "locked") return true;
    }
    return false;
}

std::string AgentFiles::join(int osType, std::string_view dir, std::string_view name)
{
    char sep = osType == kOsUnix ? '/' : '\\';
    std::string path(dir);
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += sep;
    path += name;
    return path;
}

} // namespace tarngw
