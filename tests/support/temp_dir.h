// A fresh temporary folder per test, removed afterwards, with small file
// helpers. Tests that write logs, configurations or imports run inside one.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace tolvan::testing {

// A new folder "<prefix><random letters>" in the system's folder for
// temporary files (%TEMP% on Windows); empty when none could be made.
inline std::string makeTempFolder(const std::string& prefix) {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return folder.string();
  }
  return std::string();
}

class TempDir {
 public:
  TempDir() : path_(makeTempFolder("tolvan-")) {}
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary);
    out << bytes;
  }
  std::string read(const std::string& name) const { return readFile(file(name)); }
  bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

  static std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

// Runs the rest of a scope inside another folder (work files are named
// relative to the current folder), and goes back afterwards.
class CurrentDir {
 public:
  explicit CurrentDir(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~CurrentDir() { std::filesystem::current_path(previous_); }
  CurrentDir(const CurrentDir&) = delete;
  CurrentDir& operator=(const CurrentDir&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace tolvan::testing
