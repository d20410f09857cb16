#include "checking/export.h"

#include "checking/numberlist.h"
#include "checking/statuscode.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/programdir.h"

#include <array>
#include <string>
#include <system_error>
#include <thread>

namespace pelmora::checking {

QString ResultFilePath(const QString& directory, std::size_t index) {
  return platform::PathIn(directory,
                          platform::GbkToQString(kStatusWords[index]) + QStringLiteral(".txt"));
}

void ExportResults(const NumberStore& rows, const QString& directory) {
  std::array<std::string, kStatusWords.size()> texts;
  const int count = rows.RowCount();
  for (int row = 0; row < count; ++row) {
    const std::string status = rows.GetCell(row, kStatusColumn);
    for (std::size_t k = 0; k < kStatusWords.size(); ++k) {
      if (status == kStatusWords[k]) {
        texts[k] += rows.GetCell(row, kNumberColumn);
        texts[k] += "\r\n";
        break;
      }
    }
  }
  for (std::size_t k = 0; k < texts.size(); ++k)
    platform::WriteFileAtomically(ResultFilePath(directory, k), texts[k]);
}

void ExportResults(const NumberList& list, const QString& directory) {
  ExportResults(*list.Store(), directory);
}

void StartExport(const NumberList& list, QString directory) {
  try {
    std::thread([rows = list.Store(), directory = std::move(directory)] {
      ExportResults(*rows, directory);
    }).detach();
  } catch (const std::system_error&) {
    // No thread: no export, and nothing to report.
  }
}

}  // namespace pelmora::checking
