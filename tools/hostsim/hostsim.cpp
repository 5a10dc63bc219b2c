// hostsim drives a plug-in DLL the way the host does: LoadLibrary, load with
// the plug-in directory, requests in fixed global blocks, a message loop so
// the plug-in's timer runs, and unload.
//
//   hostsim PLUGIN.dll PLUGIN-DIR SCRIPT-FILE
//   hostsim PLUGIN.dll PLUGIN-DIR -c LINE [LINE ...]
//
// Script lines are UTF-8 and reach the plug-in as Shift_JIS. In them \r, \n,
// \\ and \xNN stand for those bytes (\x01 joins window handles, as the host
// does). Commands:
//   GET ID | NOTIFY ID   a request with the host's request line, ID and
//                        Charset; "Name: value" lines below it add headers,
//                        up to a blank line or the next command
//   raw TEXT             a request of exactly these bytes
//   pump MS              run the message loop for MS milliseconds
//   move FROM TO         move a file or directory (FROM holds no blank), as
//                        an install puts a new ghost into a ghost folder
//   unload | load        call the export again (load reuses PLUGIN-DIR)
//   # ...                a comment
// hostsim calls load first and unload last (when the script left it loaded).
// It prints every call, request and reply, in UTF-8.
#include <windows.h>

#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using LoadFunc = BOOL(__cdecl*)(HGLOBAL, long);
using RequestFunc = HGLOBAL(__cdecl*)(HGLOBAL, long*);
using UnloadFunc = BOOL(__cdecl*)();

static LoadFunc g_load;
static RequestFunc g_request;
static UnloadFunc g_unload;
static std::string g_pluginDirectory;
static bool g_loaded = false;

static std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return text;
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
  int n = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(to, 0, w.data(), wide, &out[0], n, nullptr, nullptr);
  return out;
}

static std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == '\\')
      out += '\\';
    else if (c == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
             std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::strtoul(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += '\\';
      out += c;
    }
  }
  return out;
}

// Shift_JIS bytes shown in UTF-8, one protocol line per printed line, with
// control bytes made visible.
static void PrintText(const char* prefix, const std::string& text) {
  std::string line, run;
  auto flushRun = [&] {
    line += Convert(run, 932, CP_UTF8);
    run.clear();
  };
  auto endLine = [&] {
    flushRun();
    std::printf("%s%s\n", prefix, line.c_str());
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      flushRun();
      line += "\\r\\n";
      ++i;
      endLine();
    } else if (c < 0x20 || c == 0x7F) {
      flushRun();
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      line += hex;
    } else {
      run += static_cast<char>(c);
    }
  }
  if (!run.empty() || !line.empty()) endLine();
}

static HGLOBAL Block(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.size() ? bytes.size() : 1);
  if (block) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

static void Load() {
  BOOL result = g_load(Block(g_pluginDirectory), static_cast<long>(g_pluginDirectory.size()));
  std::printf("load (%zu bytes) -> %d\n", g_pluginDirectory.size(), result);
  PrintText("  ", g_pluginDirectory);
  g_loaded = true;
}

static void Unload() {
  std::printf("unload -> %d\n", g_unload());
  g_loaded = false;
}

static void Request(const std::string& bytes) {
  long len = static_cast<long>(bytes.size());
  std::printf("request (%ld bytes)\n", len);
  PrintText("  > ", bytes);
  HGLOBAL reply = g_request(Block(bytes), &len);
  if (!reply) {
    std::printf("reply: none\n");
    return;
  }
  std::printf("reply (%ld bytes)\n", len);
  PrintText("  < ", std::string(static_cast<const char*>(reply), static_cast<size_t>(len)));
  GlobalFree(reply);
}

static void Pump(DWORD ms) {
  std::printf("pump %lu ms\n", static_cast<unsigned long>(ms));
  std::fflush(stdout);
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

static void Move(const std::string& arguments) {
  size_t blank = arguments.find(' ');
  std::string from = arguments.substr(0, blank);
  std::string to = blank == std::string::npos ? "" : arguments.substr(blank + 1);
  BOOL moved = MoveFileA(from.c_str(), to.c_str());
  std::printf("move -> %d\n", moved);
  PrintText("  from ", from);
  PrintText("  to   ", to);
}

static bool StartsWith(const std::string& s, const char* word) {
  size_t n = std::strlen(word);
  return s.compare(0, n, word) == 0 && (s.size() == n || s[n] == ' ');
}

static void RunScript(const std::vector<std::string>& lines) {
  std::string pending;  // the request being gathered
  auto send = [&] {
    if (pending.empty()) return;
    Request(pending + "\r\n");
    pending.clear();
  };
  for (const std::string& raw : lines) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string text = Unescape(Convert(line, CP_UTF8, 932));
    if (StartsWith(line, "GET") || StartsWith(line, "NOTIFY")) {
      send();
      size_t space = text.find(' ');
      std::string id = space == std::string::npos ? "" : text.substr(space + 1);
      pending = text.substr(0, space) + " PLUGIN/2.0\r\nID: " + id + "\r\nCharset: Shift_JIS\r\nSender: SSP\r\n";
    } else if (!pending.empty() && line.find(": ") != std::string::npos) {
      pending += text + "\r\n";
    } else {
      send();
      if (line.empty() || line[0] == '#') continue;
      if (StartsWith(line, "raw"))
        Request(text.size() > 4 ? text.substr(4) : "");
      else if (StartsWith(line, "move"))
        Move(text.size() > 5 ? text.substr(5) : "");
      else if (StartsWith(line, "pump"))
        Pump(static_cast<DWORD>(std::strtoul(line.c_str() + 4, nullptr, 10)));
      else if (line == "unload")
        Unload();
      else if (line == "load")
        Load();
      else
        std::printf("hostsim: unknown line: %s\n", line.c_str());
    }
    std::fflush(stdout);
  }
  send();
}

static bool ReadLines(const char* path, std::vector<std::string>& lines) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::fclose(f);
  return true;
}

int main(int argc, char** argv) {
  SetConsoleOutputCP(CP_UTF8);
  if (argc < 4) {
    std::fprintf(stderr, "usage: hostsim PLUGIN.dll PLUGIN-DIR SCRIPT | -c LINE...\n");
    return 2;
  }
  std::vector<std::string> lines;
  if (std::strcmp(argv[3], "-c") == 0) {
    for (int i = 4; i < argc; ++i) lines.push_back(argv[i]);
  } else if (!ReadLines(argv[3], lines)) {
    std::fprintf(stderr, "hostsim: cannot read %s\n", argv[3]);
    return 2;
  }
  HMODULE plugin = LoadLibraryA(argv[1]);
  if (!plugin) {
    std::fprintf(stderr, "hostsim: cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  g_load = reinterpret_cast<LoadFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "load")));
  g_request = reinterpret_cast<RequestFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "request")));
  g_unload = reinterpret_cast<UnloadFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "unload")));
  if (!g_load || !g_request || !g_unload) {
    std::fprintf(stderr, "hostsim: %s lacks load, request or unload\n", argv[1]);
    FreeLibrary(plugin);
    return 2;
  }
  // The directory arrives in the ANSI code page, as the host passes it.
  g_pluginDirectory = argv[2];
  Load();
  RunScript(lines);
  if (g_loaded) Unload();
  FreeLibrary(plugin);
  return 0;
}
