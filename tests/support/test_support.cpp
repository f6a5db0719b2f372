#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <algorithm>

#include "util/error.h"
#include "util/file_system.h"

namespace fs = std::filesystem;

namespace vemlo::test {
namespace {

char Separator() { return SystemFileSystem().Rules().separator; }

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 >= field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    if (c == 't') out += '\t';
    else if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 'x' && i + 2 < field.size() + 1) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else out += c;
  }
  return out;
}

}  // namespace

std::string NativePath(std::string path) {
  if (Separator() == '/') return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  // Wine shows the Linux root as drive Z:.
  if (!path.empty() && path[0] == '\\') path = "Z:" + path;
  return path;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path dir = fs::temp_directory_path() /
                 ("vemlo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  path_ = dir.string();
  while (!path_.empty() && (path_.back() == '/' || path_.back() == '\\')) path_.pop_back();
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& relative) const {
  std::string r = relative;
  std::replace(r.begin(), r.end(), '/', Separator());
  return path_ + Separator() + r;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), folder).generic_string();
    files.push_back(relative);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string SmallDisk() {
  const std::string disk = Env("VEMLO_SMALL_DISK");
  return disk.empty() ? disk : NativePath(disk);
}

bool Simulator::Available() { return !Env("VEMLO_SIM_PORT").empty(); }
int Simulator::Port() { return std::atoi(Env("VEMLO_SIM_PORT").c_str()); }
int Simulator::TlsPort() { return std::atoi(Env("VEMLO_SIM_TLS_PORT").c_str()); }
int Simulator::TlsExpiredPort() { return std::atoi(Env("VEMLO_SIM_TLS_EXPIRED_PORT").c_str()); }

void Simulator::SetBody(const std::string& name, const std::string& body) {
  WriteBytes(NativePath(Env("VEMLO_SIM_DIR") + "/bodies/" + name), body);
}

std::string Simulator::Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(Port()) + path; }

std::vector<Simulator::Request> Simulator::Requests() {
  std::vector<Request> requests;
  std::ifstream in(NativePath(Env("VEMLO_SIM_DIR") + "/requests.log"), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream split(line);
    while (std::getline(split, field, '\t')) fields.push_back(Unescape(field));
    fields.resize(8);
    requests.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]});
  }
  return requests;
}

void Simulator::ClearRequests() { WriteBytes(NativePath(Env("VEMLO_SIM_DIR") + "/requests.log"), ""); }

}  // namespace vemlo::test
