#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pixquarry {

// A temporary file that becomes the real file only by Commit(): a failed
// download or profile write leaves the folder as it was. Part files live in
// the hidden work folder kWorkFolder inside the target folder, where no file
// saved by name can be, and the folder goes again when it is empty.
class PartFile final {
public:
    // The one name a saved file must not take.
    static constexpr char kWorkFolder[] = ".pixquarry-parts";

    // Check OpenError() before writing.
    explicit PartFile(const std::string& folder);
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    PartFile(PartFile&&) = delete;
    PartFile& operator=(PartFile&&) = delete;
    ~PartFile();

    const std::string& OpenError() const { return m_openError; }
    // Removes the part files for `folder` that nobody is writing any more,
    // as after a killed run; those of runs still going stay.
    static void RemoveOrphans(const std::string& folder);
    bool Write(std::string_view chunk, std::string& error);
    // Renames the file over path, replacing any file of that name. `mode`:
    // the permissions the file gets first; `sync`: on disk before the rename.
    bool Commit(const std::string& path, std::string& error,
                std::optional<unsigned> mode = std::nullopt, bool sync = false);

private:
    struct FileClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string m_work;
    std::string m_path;
    std::unique_ptr<std::FILE, FileClose> m_file;
    std::string m_openError;
    bool m_committed = false;
};

}  // namespace pixquarry
