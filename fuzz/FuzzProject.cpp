// Fuzz harness of the project file reader: any bytes as a project's JSON. A project that is
// read must write and read back again (what the reader accepts, the writer can keep); the
// reader's refusals (InputError with a message) are the expected outcome of a bad file.
#include "FuzzInput.h"
#include "common/InputError.h"
#include "project/Project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ombrane::Project project;
  try {
    project = ombrane::ReadProjectJson(bytes, "fuzz.ombrane");
  } catch (const ombrane::InputError&) {
    return 0;
  }
  // Accepted: the written file must be read again without complaint.
  ombrane::ReadProjectJson(ombrane::WriteProjectJson(project), "again.ombrane");
  return 0;
}

std::vector<std::string> ombrane::fuzz::Seeds() {
  ombrane::Project project;
  project.sources.push_back({.path = "/data/v1.txt",
                             .fileName = "v1.txt",
                             .size = 31,
                             .crc32 = 0x1234abcd,
                             .importOptions = std::nullopt});
  project.star.period = 0.8372L;
  project.star.epoch = 2451234.5678L;
  project.boxes = {{"period", "0.8372"}, {"epoch", "2451234.5678"}};
  project.switches = {{"saveData", true}};
  project.choices = {{"method", 2}};
  project.search.peaks = {{.period = 0.8372L, .score = 0.9L}};
  ombrane::OcTable table;
  table.minima = {{.time = 2459000.5L,
                   .error = 0.0001L,
                   .kind = ombrane::MinimumKind::Primary,
                   .cycle = 0,
                   .excluded = false}};
  table.cycles = {0};
  project.minima = table;
  project.view.zoom = ombrane::ProjectView::Zoom{.xMin = 0, .xMax = 1, .yMin = 11, .yMax = 12};
  project.notes = "<p>notes</p>";
  const std::string full = ombrane::WriteProjectJson(project);
  std::string newer = full;
  newer.replace(newer.find("\"version\": 1"), 12, "\"version\": 7");
  return {full, full.substr(0, full.size() / 3), newer, "{\"format\": \"ombrane-project\", \"version\": 1}"};
}
