// A private folder for a benchmark's files, made under the temporary folder and removed with everything
// in it when the benchmark ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace benchfiles {

class ScratchFolder {
  public:
    // name tells the benchmark: "stats" gives /tmp/ovrida-bench-stats-XXXXXX.
    explicit ScratchFolder(const std::string& name) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("ovrida-bench-" + name + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) {
            std::perror("scratch folder");
            std::exit(1);
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of a file in the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

} // namespace benchfiles
