#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ConsoleTarget;
class ConsoleCommandTable;

// "Send data from file...": asks for a file and sends its whole content, byte
// for byte, in one write while the "Sending data" window is shown. The file
// needs read access only. A write that the write time-out cuts short is not
// reported.
//
// The content is read into memory before the send rather than sent from a
// mapping of the file: a program that shortens the file during the send
// would otherwise crash us (SIGBUS) while the port reads the mapping. The
// size is taken after the open; if the file has shrunk by the time it is read,
// what it still holds is sent.
void OnSendDataFromFile(ConsoleTarget& view);

// A file's content, ready to send.
struct FileContent {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// Reads the file at `path` for sending. On failure returns false with the
// message to show in `failure`: "File could not be opened." (missing,
// unreadable, a directory, locked by a capture), "File map could not be
// opened." (empty, or not a regular file), our own text for 4 GiB or more,
// "Could not map view of file." (no memory for it, or a read error).
bool loadFileForSending(const std::string& path, FileContent& content, const char** failure);

void registerSendFileCommand(ConsoleCommandTable& table);
