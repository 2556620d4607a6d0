// Processes on Windows: CreateProcessW on the command line as written, a job
// object so that ending the launcher ends what it started, the process
// handle's state for "still running", Sleep, and the thread's window
// messages during a wait.
#include <windows.h>

#include "platform/process.h"
#include "platform/win32_text.h"

namespace platform {

namespace {

PumpHook g_pumpHook = nullptr;

HANDLE handleOf(std::intptr_t id) {
  return reinterpret_cast<HANDLE>(id);
}

// Keeps the exit code once the process has ended; true then.
bool collect(ProcessHandle& process) {
  if (process.reaped) return true;
  if (::WaitForSingleObject(handleOf(process.id), 0) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(handleOf(process.id), &code)) return false;
  process.reaped = true;
  process.exitCode = static_cast<int>(code);
  return true;
}

}  // namespace

ProcessHandle startProcess(const std::string& commandLine, bool& ok) {
  ok = false;
  const std::string line = commandLine.substr(0, commandLine.find('\0'));
  const std::vector<std::string> args = splitCommandLine(line);
  if (args.empty() || args[0].empty()) return {};
  std::wstring wide = win32::widen(line);

  // The window show state is filled in but not enabled by a flag, as the
  // launcher has always been started.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION info{};
  // A job of its own holds the launcher and every program it starts, so that
  // a cancelled wait ends them all. The launcher starts suspended until it is
  // in the job, so nothing it starts can slip out.
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  const DWORD flags = job ? CREATE_SUSPENDED : 0;
  if (!::CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &info)) {
    if (job) ::CloseHandle(job);
    return {};
  }
  if (job && !::AssignProcessToJobObject(job, info.hProcess)) {
    ::CloseHandle(job);
    job = nullptr;
  }
  if (flags & CREATE_SUSPENDED) ::ResumeThread(info.hThread);
  ::CloseHandle(info.hThread);
  ok = true;
  ProcessHandle handle;
  handle.id = reinterpret_cast<std::intptr_t>(info.hProcess);
  handle.group = job ? reinterpret_cast<std::intptr_t>(job) : -1;
  return handle;
}

ProcessState processState(ProcessHandle& process, int& code) {
  if (process.id == -1) return ProcessState::Unknown;
  if (!process.reaped) {
    const DWORD wait = ::WaitForSingleObject(handleOf(process.id), 0);
    if (wait == WAIT_TIMEOUT) return ProcessState::Running;
    if (wait != WAIT_OBJECT_0 || !collect(process)) return ProcessState::Unknown;
  }
  code = process.exitCode;
  return ProcessState::Ended;
}

bool terminateProcess(ProcessHandle& process) {
  if (process.id == -1 || collect(process)) return false;
  const bool ended = process.group != -1 ? ::TerminateJobObject(handleOf(process.group), 1)
                                         : ::TerminateProcess(handleOf(process.id), 1);
  if (!ended) return false;
  ::WaitForSingleObject(handleOf(process.id), 30000);
  collect(process);
  return true;
}

void closeProcess(ProcessHandle& process) {
  if (process.id != -1) ::CloseHandle(handleOf(process.id));
  if (process.group != -1) ::CloseHandle(handleOf(process.group));
  process = ProcessHandle{};
}

void sleepMilliseconds(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}

// The window functions of user32.dll, taken from the process when it has
// loaded them: a host with windows always has; a console program without
// windows has no messages, and the plug-in does not bring the window system
// into it (under Wine that would start a desktop for every program).
struct WindowFunctions {
  decltype(&::PeekMessageW) peek = nullptr;
  decltype(&::TranslateMessage) translate = nullptr;
  decltype(&::DispatchMessageW) dispatch = nullptr;
};

WindowFunctions windowFunctions() {
  WindowFunctions f;
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return f;
  f.peek = reinterpret_cast<decltype(f.peek)>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "PeekMessageW")));
  f.translate = reinterpret_cast<decltype(f.translate)>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "TranslateMessage")));
  f.dispatch = reinterpret_cast<decltype(f.dispatch)>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "DispatchMessageW")));
  if (!f.peek || !f.translate || !f.dispatch) f = WindowFunctions{};
  return f;
}

PumpResult pumpHost(int secondsWaited) {
  // The thread's windows (the host's) stay responsive while the plug-in waits.
  const WindowFunctions window = windowFunctions();
  MSG message;
  while (window.peek && window.peek(&message, nullptr, 0, 0, PM_REMOVE)) {
    window.translate(&message);
    window.dispatch(&message);
  }
  PumpHook hook = g_pumpHook;
  if (!hook)
    hook = reinterpret_cast<PumpHook>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(nullptr), "drafthost_pump")));
  if (hook && hook(secondsWaited) != 0) return PumpResult::Cancel;
  return PumpResult::Continue;
}

void setPumpHook(PumpHook hook) {
  g_pumpHook = hook;
}

}  // namespace platform
