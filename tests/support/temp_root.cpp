#include "tests/support/temp_root.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/device_root.h"

namespace moru::test {

TempDeviceRoot::TempDeviceRoot() : previous_(DeviceRoot()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "moru-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    path_ = pattern;
    SetDeviceRoot(path_);
}

TempDeviceRoot::~TempDeviceRoot() {
    SetDeviceRoot(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace moru::test
