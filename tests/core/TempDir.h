// A scratch folder per test, removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("tubescan-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string Dir() const { return m_path.string() + "/"; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(File(name), std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

  private:
    std::filesystem::path m_path;
};
