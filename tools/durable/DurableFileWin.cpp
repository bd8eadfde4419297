#include <filesystem>
#include <windows.h>

#include "DurableFile.h"

namespace tonewell::durable {

namespace {

std::string Describe(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message =
        length > 0 && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

// File names are in the code page of the program's other names.
std::wstring Wide(const std::string& path) {
    return std::filesystem::path(path).wstring();
}

} // namespace

DurableFile::DurableFile(std::string destination) : destination_(std::move(destination)) {
    const DWORD attributes = GetFileAttributesW(Wide(destination_).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw DurableFileError(destination_, "it exists and is not a regular file");
    if (std::filesystem::path(destination_).filename().empty())
        throw DurableFileError(destination_, "no file name");
    // Beside the destination, so that the move stays on one volume; the
    // process id keeps two programs writing the same file apart.
    temporaryPath_ = destination_ + "." + std::to_string(GetCurrentProcessId()) + ".part";
    const HANDLE file = CreateFileW(Wide(temporaryPath_).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        temporaryPath_.clear();
        throw DurableFileError(destination_, Describe(error));
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

DurableFile::~DurableFile() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    if (!committed_ && !temporaryPath_.empty()) DeleteFileW(Wide(temporaryPath_).c_str());
}

void DurableFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD piece = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes, piece, &written, nullptr) ||
            written == 0)
            throw DurableFileError(destination_, Describe(GetLastError()));
        bytes += written;
        size -= written;
    }
}

int DurableFile::DuplicateDescriptor() const {
    return -1;
}

// Windows keeps no separate folder entry to flush: a move with
// MOVEFILE_WRITE_THROUGH returns once the new name is on the disk.
void DurableFile::Commit() {
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (!FlushFileBuffers(file)) throw DurableFileError(destination_, Describe(GetLastError()));
    CloseHandle(file);
    handle_ = -1;
    if (!MoveFileExW(Wide(temporaryPath_).c_str(), Wide(destination_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw DurableFileError(destination_, Describe(GetLastError()));
    committed_ = true;
}

} // namespace tonewell::durable
