// Each agent's file system is a folder under the root, named after the agent's address, made on the
// first file request. Agent paths are mapped into it by the agent's conventions and never leave it.
#pragma once

#include "fleet.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarngw {

struct DirEntry
{
    char kind = '-'; // 'd' directory, ':' drive, '-' file
    std::string name;
    std::uint64_t size = 0;
    std::string modified; // "YYYY-MM-DD HH:MM"
    int mode = 0;         // three octal digits written in decimal, 755 for rwxr-xr-x
};

class AgentFiles
{
public:
    struct Faults
    {
        bool strictRmdir = false;
        bool oddNames = false;
        bool hugeFile = false;
        bool lockedFolder = false;
    };

    explicit AgentFiles(std::filesystem::path root) : root_(std::move(root)) {}
    void setFaults(const Faults& faults) { faults_ = faults; }
    const Faults& faults() const { return faults_; }

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path agentDir(const Agent& agent) const;
    // Creates the agent's starting tree when its folder does not exist yet.
    bool ensureTree(Agent& agent, int osType, std::string* error);

    // Maps an agent path to a host path inside the agent's folder. *driveList is set for the
    // Windows-type root (":" and friends), whose listing is the drives. False with an error text.
    bool resolve(const Agent& agent, int osType, std::string_view agentPath, std::filesystem::path* host,
                 bool* driveList, std::string* error) const;

    bool list(const Agent& agent, int osType, std::string_view agentPath, std::vector<DirEntry>* entries,
              std::string* error) const;

    // Folder operations of the remote file pane; each takes the folder and a single name.
    bool rename(const Agent& agent, int osType, std::string_view dir, std::string_view from,
                std::string_view to, std::string* error) const;
    bool removeFile(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                    std::string* error) const;
    bool changeMode(const Agent& agent, int osType, std::string_view dir, std::string_view name, int mode,
                    std::string* error) const;
    bool makeDir(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                 std::string* error) const;
    bool removeDir(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                   std::string* error) const;
    // Checks that a file may be run; the caller adds the process.
    bool checkExecutable(const Agent& agent, int osType, std::string_view dir, std::string_view name,
                         std::string* error) const;

    // "dir" + separator + "name" in the agent's conventions.
    static std::string join(int osType, std::string_view dir, std::string_view name);

private:
    bool child(const Agent& agent, int osType, std::string_view dir, std::string_view name,
               std::filesystem::path* host, std::string* error) const;
    bool locked(const Agent& agent, const std::filesystem::path& host) const;
    std::filesystem::path root_;
    Faults faults_;
};

// Texts the agents answer with; the console shows them as they are.
namespace text {
inline constexpr const char* kPathNotFound = "The system cannot find the path specified.";
inline constexpr const char* kFileNotFound = "The system cannot find the file specified.";
inline constexpr const char* kAccessDenied = "Access is denied.";
inline constexpr const char* kAlreadyExists = "Cannot create a file when that file already exists.";
inline constexpr const char* kBadName = "The file name, directory name, or volume label syntax is incorrect.";
inline constexpr const char* kNotExecutable = "The file is not an executable program.";
inline constexpr const char* kNotEmpty = "The directory is not empty.";
inline constexpr const char* kDiskFull = "There is not enough space on the disk.";
} // namespace text

} // namespace tarngw
