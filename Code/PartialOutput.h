#pragma once

#include <string>

// The encoder writes its output under a hidden name beside the final one and
// renames it only once the file is complete, so a file under the final name
// is never a short one. The name carries the encoder's process id: the
// program, which knows that id, removes what an encoder ended by force (a
// kill cannot be caught) left behind, and two encoders never share a name.
inline std::string PartialOutputPath(const std::string &finalPath, long long processId)
{
    const std::string::size_type slash = finalPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    // Room for the dot, the id and the ending within a file name's 255 bytes;
    // a cut never splits a UTF-8 sequence.
    constexpr std::string::size_type Longest = 200;
    if (name.size() > Longest) {
        std::string::size_type cut = Longest;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return folder + "." + name + "." + std::to_string(processId) + ".part";
}
