#include "WindowTestSupportWin.h"

#include <string>

namespace tonewell::wintest {

std::vector<std::uint32_t> CaptureWindow(HWND window, int width, int height) {
    std::vector<std::uint32_t> pixels;
    HDC dc = GetDC(window);
    if (!dc) return pixels;
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* words = static_cast<const std::uint32_t*>(bits);
        pixels.reserve(static_cast<std::size_t>(width) * height);
        for (int i = 0; i < width * height; ++i)
            pixels.push_back(words[i] & 0xFFFFFFu);
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

DWORD RunCaseAtDpi(const char* filter, DWORD dpi) {
    HKEY desktop = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &desktop) != ERROR_SUCCESS)
        return 1;
    DWORD old = 0, size = sizeof old, type = 0;
    const bool hadOld = RegQueryValueExA(desktop, "LogPixels", nullptr, &type,
                                         reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS &&
                        type == REG_DWORD;
    RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command =
        std::string("\"") + self + "\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    DWORD exitCode = 1;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &child)) {
        if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(child.hProcess, &exitCode);
        else
            TerminateProcess(child.hProcess, 1);
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    if (hadOld)
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old),
                       sizeof old);
    else
        RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
    return exitCode;
}

} // namespace tonewell::wintest
