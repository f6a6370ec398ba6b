// The report file: "fd" + workstation number, code page 1252 lines ended by CRLF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Writes the report file line by line. Opening empties it (or appends, for
// the takings register's unattended mode). Lines are code page 1252 bytes.
// Failures to open or write throw std::runtime_error naming the file.
class ReportWriter {
  public:
    enum class Mode { Replace, Append };
    explicit ReportWriter(Mode mode = Mode::Replace);                  // reportFileName()
    ReportWriter(const std::string& path, Mode mode = Mode::Replace);  // any file, same format
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    void line(std::string_view text = {});  // text + CRLF
    void close();                           // flushes; reports failures
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::FILE* f_ = nullptr;
};

// Reads the report file's lines (line ends removed: CRLF, or a lone LF).
// Returns an empty vector when the file does not exist.
std::vector<std::string> readReportLines(const std::string& path);
bool reportFileExists(const std::string& path);

// Removes every bold mark (byte 231) and then maps characters as Converti2.
std::string PulisciRiga(std::string_view line);
// Maps single characters, keeping length: 180 -> '\'', accented capitals
// 192/200/201/204/217/210 -> lower case, code page 437 box verticals and
// junctions (179, 183, 186, 195) -> '|', horizontals/corners (187, 188, 191,
// 193, 194, 196, 197, 202, 203, 206, 218) -> '-'.
std::string Converti2(std::string_view line);

}  // namespace corvex
