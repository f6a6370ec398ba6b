// The report file: "fd" + workstation number, code page 1252 lines ended by CRLF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Writes the report file line by line into a temporary file beside it,
// renamed over the report file by close(): a run that fails or is cancelled
// before close() leaves the previous file as it was, two runs writing the same
// name leave one whole report, and a symbolic link of that name is replaced,
// never followed. Append mode (the takings register's unattended run) starts
// the temporary file as a copy of the current report file, and appending runs
// of one folder wait for each other (up to a minute), so none loses another's
// pages. The file's bytes are on disk before the rename. Lines are code page
// 1252 bytes; control characters in them become blanks. Failures to open,
// write or rename throw std::runtime_error naming the file.
class ReportWriter {
  public:
    enum class Mode { Replace, Append };
    explicit ReportWriter(Mode mode = Mode::Replace);                  // reportFileName()
    ReportWriter(const std::string& path, Mode mode = Mode::Replace);  // any file, same format
    ~ReportWriter();  // without close(): the temporary file is removed
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    void line(std::string_view text = {});  // text + CRLF
    void close();                           // flushes, then puts the file in place
    const std::string& path() const { return path_; }

  private:
    void discard() noexcept;
    void unlock() noexcept;

    std::string path_;
    std::string temp_;
    std::FILE* f_ = nullptr;
    int lock_ = -1;  // the folder, locked while an appending run writes
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
