#include "dialogue_run.h"

#include <sstream>

DialogueRun runDialogue(Driver driver, const std::string& input,
                        const std::vector<std::string>& arguments) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream errors;
  const int status = driver(arguments, in, out, errors);
  return {status, out.str(), errors.str()};
}
