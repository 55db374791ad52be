#include "process/console_runner.h"

#include <cstring>
#include <vector>

#include "engine/path_rules.h"
#include "process/message_pump.h"
#include "process/owned_handle.h"
#include "process/system_function.h"

namespace {

constexpr DWORD kChunkBytes = 1023;

constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The read end of an anonymous pipe cannot be waited on, so the output travels through a
// named pipe opened for overlapped reading: its read completion is an event that can be
// waited on together with the window messages.
struct OutputPipe {
    UniqueHandle readEnd;
    UniqueHandle writeEnd;  // inheritable, for the child
};

OutputPipe CreateOutputPipe() {
    static LONG serial = 0;
    char name[96];
    wsprintfA(name, "\\\\.\\pipe\\Vandrel.output.%lu.%ld", GetCurrentProcessId(),
              InterlockedIncrement(&serial));

    OutputPipe pipe;
    pipe.readEnd.Reset(CreateNamedPipeA(
        name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr));
    if (!pipe.readEnd) return {};

    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    pipe.writeEnd.Reset(CreateFileA(name, GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!pipe.writeEnd) return {};
    return pipe;
}

// Lists the one handle a child may inherit, where the system can keep the rest back (Vista
// on: InitializeProcThreadAttributeList and its kin, looked up when needed). On XP every
// inheritable handle passes; the pipe's write end is the only one this program makes.
class InheritOnly {
public:
    explicit InheritOnly(HANDLE handle) : handle_(handle) {
        using Initialize = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD, PSIZE_T);
        using Update = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD_PTR, PVOID,
                                     SIZE_T, PVOID, PSIZE_T);
        const auto initialize = SystemFunction<Initialize>("kernel32.dll", "InitializeProcThreadAttributeList");
        const auto update = SystemFunction<Update>("kernel32.dll", "UpdateProcThreadAttribute");
        remove_ = SystemFunction<Delete>("kernel32.dll", "DeleteProcThreadAttributeList");
        if (!initialize || !update || !remove_) return;
        SIZE_T size = 0;
        initialize(nullptr, 1, 0, &size);
        storage_.resize(size);
        const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !initialize(list, 1, 0, &size)) return;
        if (!update(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof handle_, nullptr,
                    nullptr)) {
            remove_(list);
            return;
        }
        list_ = list;
    }
    ~InheritOnly() {
        if (list_) remove_(list_);
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    // Null where the system cannot restrict what is inherited.
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

private:
    using Delete = VOID(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST);
    HANDLE handle_;  // the list points here until it is deleted
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    Delete remove_ = nullptr;
};

// cmd looks for a bare command name in its current directory (here the system folder)
// before the PATH; with this variable set it would skip that folder and take the first
// attrib on the PATH, which may lie in a folder anyone can write to.
constexpr char kSkipCurrentDirectoryVariable[] = "NODEFAULTCURRENTDIRECTORYINEXEPATH";

// This process's environment without that variable, as the block CreateProcessA takes.
Text ChildEnvironment() {
    Text block;
    if (LPCH strings = GetEnvironmentStringsA()) {
        for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
            const TextView text(entry);
            // Entries such as "=C:=C:\Tools", the current folder of each drive, begin with '='.
            const TextView name = text.substr(0, text.find('=', 1));
            if (ToUpperAscii(name) == kSkipCurrentDirectoryVariable) continue;
            block.append(text);
            block.push_back('\0');
        }
        FreeEnvironmentStringsA(strings);
    }
    if (block.empty()) block.push_back('\0');
    block.push_back('\0');
    return block;
}

// No console window is made at all (CREATE_NO_WINDOW), not merely hidden: a hidden one
// can still flash up where another terminal host takes over consoles. The child starts in
// the system folder, so that cmd finds the system's own attrib, not one lying in the
// folder this program happens to be in.
UniqueHandle StartHidden(TextView commandLine, HANDLE output) {
    const Text folder = SystemFolder();
    if (folder.empty()) return {};

    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    DWORD flags = CREATE_NO_WINDOW;
    const InheritOnly inherit(output);
    if (inherit.List()) {
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = inherit.List();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    Text mutableLine(commandLine);  // CreateProcessA may write into its command line
    Text environment = ChildEnvironment();
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags,
                        environment.data(), folder.c_str(), &startup.StartupInfo, &started)) {
        return {};
    }
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

// Reads until every writer has closed the pipe, appending each chunk in order.
void CollectOutput(HANDLE readEnd, Text& output) {
    UniqueHandle completed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!completed) return;
    for (;;) {
        char chunk[kChunkBytes + 1] = {};
        OVERLAPPED read{};
        read.hEvent = completed.Get();
        ResetEvent(completed.Get());
        if (!ReadFile(readEnd, chunk, kChunkBytes, nullptr, &read) &&
            GetLastError() != ERROR_IO_PENDING) {
            return;  // ERROR_BROKEN_PIPE: the child and everything it started have gone
        }
        if (!WaitDispatchingMessages(completed.Get())) {
            CancelIo(readEnd);
            return;
        }
        DWORD count = 0;
        if (!GetOverlappedResult(readEnd, &read, &count, FALSE)) return;
        output.append(chunk, count);
    }
}

}  // namespace

Text SystemFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return FolderPathNoSlash(TextView(folder, length));
}

Text InterpreterPrefix() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool isNt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    // The Windows 95 family, out of reach of this build's runtime, kept its interpreter in
    // the Windows folder under this name.
    if (!isNt) return "command.com /c ";
    const Text folder = SystemFolder();
    if (folder.empty()) return {};
    return "\"" + folder + "\\cmd.exe\" /d /c ";
}

bool IsPathSafeInQuotes(TextView path) {
    const bool onDrive = path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' &&
                         path[2] == '\\';
    const bool onShare = path.size() >= 3 && path.substr(0, 2) == "\\\\" && path[2] != '\\' &&
                         path.substr(0, 4) != "\\\\.\\";
    if (!onDrive && !onShare) return false;
    bool endsInBackslash = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        endsInBackslash = c == '\\';
        if (IsLeadByte(path[i]) && i + 1 < path.size()) {
            // A trail byte below 0x40 makes no character of cp936: the pair would not reach
            // the child's Unicode command line as one character.
            if (static_cast<unsigned char>(path[++i]) < 0x40) return false;
            continue;
        }
        if (c < 0x20 || std::strchr("\"%!^*?<>|", c)) return false;
    }
    return !endsInBackslash;
}

Text RunCommandLine(TextView commandLine) {
    OutputPipe pipe = CreateOutputPipe();
    if (!pipe.readEnd) return {};
    UniqueHandle child = StartHidden(commandLine, pipe.writeEnd.Get());
    // Only the child may hold the write end now, so the read ends when the child has gone.
    pipe.writeEnd.Reset();
    if (!child) return {};

    Text output;
    CollectOutput(pipe.readEnd.Get(), output);
    WaitDispatchingMessages(child.Get());
    return output;
}

Text RunConsoleCommand(TextView command) {
    const Text prefix = InterpreterPrefix();
    if (command.empty() || prefix.empty()) return {};
    return RunCommandLine(prefix + Text(command));
}
