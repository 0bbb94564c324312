#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvin::mgmt::linux_::test {

// The saved system trees and damaged files under tests/fixtures/linux.
inline std::string fixturePath(std::string_view relative)
{
    return std::string(QUORVIN_FIXTURES_DIR) + "/linux/" + std::string(relative);
}

inline std::string readFixture(std::string_view relative)
{
    std::ifstream in(fixturePath(relative), std::ios::binary);
    if (!in)
        throw std::runtime_error("missing fixture " + fixturePath(relative));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A writable copy of a saved tree, removed with the test.
class TreeCopy final {
public:
    explicit TreeCopy(std::string_view fixture)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvin-tree-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary directory");
        m_root = pattern;
        std::filesystem::copy(fixturePath(fixture), m_root, std::filesystem::copy_options::recursive);
    }
    ~TreeCopy() { std::filesystem::remove_all(m_root); }
    TreeCopy(const TreeCopy &) = delete;
    TreeCopy &operator=(const TreeCopy &) = delete;

    void write(std::string_view relative, std::string_view text) const
    {
        std::ofstream(m_root / relative, std::ios::binary | std::ios::trunc) << text;
    }
    std::string root() const { return m_root.string(); }

private:
    std::filesystem::path m_root;
};

} // namespace quorvin::mgmt::linux_::test
