// The command line that opens a page.
#include "CommandLine.h"

using namespace Core;

namespace Controls {

String browserCommandLine(const char* program, const char* url)
{
    String line("\"");
    line.dropBack(1);
    line.appendText(program);
    line.dropBack(1);
    line.appendText("\" ");
    line.dropBack(1);
    line.appendText(url);
    return line;
}

} // namespace Controls
