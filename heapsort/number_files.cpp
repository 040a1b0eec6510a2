#include "number_files.h"

#include <filesystem>
#include <fstream>

#include "heap.h"
#include "make_directory.h"

bool buildMode = false;

namespace {

const char* const UNABLE_TO_OPEN = "Unable to open file";

}  // namespace

bool readNumbers(std::string fileName, int a[], std::ostream& console) {
  numberCount = 0;
  const std::string path = "input/" + fileName;
  std::ifstream infile(path);
  // A folder opens like a file with some standard libraries and then reads
  // as empty (with others the read fails); either way it holds no numbers.
  std::error_code unknown;
  if (!infile.is_open() || std::filesystem::is_directory(path, unknown)) {
    console << UNABLE_TO_OPEN << std::endl;
    return false;
  }

  int count = 0;
  bool everythingRead = true;
  for (;;) {
    // Skipping the white space first tells the clean end of the file apart
    // from an item that is not a number.
    infile >> std::ws;
    if (infile.eof() || infile.bad()) break;
    int value = 0;
    if (!(infile >> value)) {
      everythingRead = false;
      break;
    }
    if (count == NUMBER_CAPACITY) {
      console << "Only the first " << NUMBER_CAPACITY << " numbers were read."
              << std::endl;
      everythingRead = false;
      break;
    }
    a[++count] = value;
  }

  if (infile.bad()) {
    // It opened, but cannot be read as a file (a folder, say).
    console << UNABLE_TO_OPEN << std::endl;
    return false;
  }
  numberCount = count;
  return everythingRead;
}

std::string resultPath(const std::string& fileName) {
  return "output/" + fileName.substr(0, 9) + (buildMode ? "_b.txt" : "_s.txt");
}

bool writeResult(std::string fileName, const int a[], std::ostream& console) {
  // Whether the folder was made is of no interest: it is usually there
  // already, and the file opened in it next reports any trouble.
  static_cast<void>(makeDirectory("./output"));
  std::ofstream outfile(resultPath(fileName), std::ios::out | std::ios::trunc);
  if (!outfile.is_open()) {
    console << UNABLE_TO_OPEN << std::endl;
    return false;
  }
  for (int i = 1; i <= numberCount; ++i) outfile << a[i] << std::endl;
  outfile.close();
  return !outfile.fail();
}

bool logTimes(std::string command, int readTime, int sortTime, int writeTime,
              std::ostream& console) {
  std::ofstream outfile("output/time.txt", std::ios::out | std::ios::app);
  if (!outfile.is_open()) {
    console << UNABLE_TO_OPEN << std::endl;
    return false;
  }
  outfile << command << '\t' << readTime << '\t' << sortTime << '\t'
          << writeTime << std::endl;
  outfile.close();
  return !outfile.fail();
}
