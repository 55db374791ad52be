#include "process/console_runner.h"

#include "process/message_pump.h"
#include "process/owned_handle.h"

namespace {

constexpr DWORD kChunkBytes = 1023;

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

UniqueHandle StartHidden(TextView commandLine, HANDLE output) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = output;
    startup.hStdError = output;

    Text mutableLine(commandLine);  // CreateProcessA may write into its command line
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &started)) {
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

Text InterpreterPrefix() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool isNt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return isNt ? "cmd.exe /c " : "command.com /c ";
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
    if (command.empty()) return {};
    return RunCommandLine(InterpreterPrefix() + Text(command));
}
