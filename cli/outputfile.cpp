#include "outputfile.h"

#include <fstream>
#include <iostream>

namespace cli {

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) std::cerr << "vesperline-cli: cannot write " << path << "\n";
    return bool(out);
}

} // namespace cli
