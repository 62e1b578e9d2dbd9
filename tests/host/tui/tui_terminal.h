// A terminal for tests of the full-screen front end: a detached tmux server (Debian's tmux) runs
// a command in a pane of a fixed size; the test types keys into it, clicks it (the mouse reports a
// terminal would send, written into the pane in the form the program asked for) and reads the
// screen back as cells with their colours and attributes (tmux's capture with escape sequences,
// decoded here).
//
// Every wait polls the screen until a condition holds or a timeout passes, so tests do not sleep
// for fixed times. The pane stays after its command ends, so the terminal's state after the
// program (normal screen, cursor, line modes) can be checked.
// Ownership: one tmux server per Terminal, killed by the destructor.
#ifndef VANTREL_TESTS_TUI_TERMINAL_H_
#define VANTREL_TESTS_TUI_TERMINAL_H_

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tuitest {

// Quotes a word for sh.
inline std::string quote(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

// The whole content of a file (empty when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a shell command and answers its standard output.
inline std::string capture(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

struct Cell {
  std::string ch = " ";
  int fg = -1;  // -1: the terminal's default; 0..255 palette; >= 0x1000000: 0x1000000 | RGB
  int bg = -1;
  bool bold = false;
  bool underline = false;
  bool reverse = false;
};

struct Screen {
  std::vector<std::vector<Cell>> rows;

  std::string text(size_t row) const {
    std::string out;
    if (row >= rows.size()) return out;
    for (const Cell& c : rows[row]) out += c.ch;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }
  std::string all() const {
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) out += text(r) + "\n";
    return out;
  }
  bool contains(const std::string& needle) const { return all().find(needle) != std::string::npos; }
  // The row holding `needle` and its column (in cells), or false.
  bool find(const std::string& needle, int* row, int* col) const {
    for (size_t r = 0; r < rows.size(); ++r) {
      std::string line;
      std::vector<int> cellOf;
      for (size_t c = 0; c < rows[r].size(); ++c) {
        for (size_t i = 0; i < rows[r][c].ch.size(); ++i) cellOf.push_back(static_cast<int>(c));
        line += rows[r][c].ch;
      }
      size_t at = line.find(needle);
      if (at != std::string::npos) {
        *row = static_cast<int>(r);
        *col = cellOf[at];
        return true;
      }
    }
    return false;
  }
  const Cell& at(int row, int col) const {
    static const Cell blank;
    if (row < 0 || row >= static_cast<int>(rows.size())) return blank;
    if (col < 0 || col >= static_cast<int>(rows[row].size())) return blank;
    return rows[row][col];
  }
};

// Decodes tmux's capture with escape sequences (SGR only) into cells.
inline Screen decode(const std::string& captured, int cols) {
  Screen screen;
  Cell pen;
  std::vector<Cell> row;
  auto finishRow = [&] {
    while (static_cast<int>(row.size()) < cols) row.push_back(Cell());
    screen.rows.push_back(row);
    row.clear();
  };
  for (size_t i = 0; i < captured.size();) {
    unsigned char c = static_cast<unsigned char>(captured[i]);
    if (c == '\n') {
      finishRow();
      ++i;
      continue;
    }
    if (c == 0x1B && i + 1 < captured.size() && captured[i + 1] == '[') {
      size_t end = i + 2;
      while (end < captured.size() && !(captured[end] >= 0x40 && captured[end] <= 0x7E)) ++end;
      if (end < captured.size() && captured[end] == 'm') {
        std::vector<int> params;
        std::string number;
        for (size_t k = i + 2; k <= end; ++k) {
          char d = captured[k];
          if (d >= '0' && d <= '9') {
            number.push_back(d);
          } else {
            params.push_back(number.empty() ? 0 : std::stoi(number));
            number.clear();
          }
        }
        for (size_t k = 0; k < params.size(); ++k) {
          int p = params[k];
          if (p == 0)
            pen = Cell();
          else if (p == 1)
            pen.bold = true;
          else if (p == 4)
            pen.underline = true;
          else if (p == 7)
            pen.reverse = true;
          else if (p == 22)
            pen.bold = false;
          else if (p == 24)
            pen.underline = false;
          else if (p == 27)
            pen.reverse = false;
          else if (p >= 30 && p <= 37)
            pen.fg = p - 30;
          else if (p >= 40 && p <= 47)
            pen.bg = p - 40;
          else if (p >= 90 && p <= 97)
            pen.fg = p - 90 + 8;
          else if (p >= 100 && p <= 107)
            pen.bg = p - 100 + 8;
          else if (p == 39)
            pen.fg = -1;
          else if (p == 49)
            pen.bg = -1;
          else if ((p == 38 || p == 48) && k + 2 < params.size() && params[k + 1] == 5) {
            (p == 38 ? pen.fg : pen.bg) = params[k + 2];
            k += 2;
          } else if ((p == 38 || p == 48) && k + 4 < params.size() && params[k + 1] == 2) {
            (p == 38 ? pen.fg : pen.bg) =
                0x1000000 | params[k + 2] | (params[k + 3] << 8) | (params[k + 4] << 16);
            k += 4;
          }
        }
      }
      i = end + 1;
      continue;
    }
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
    Cell cell = pen;
    cell.ch = captured.substr(i, length);
    row.push_back(cell);
    i += length;
  }
  if (!row.empty()) finishRow();
  while (static_cast<int>(screen.rows.size()) < 1) finishRow();
  return screen;
}

// A letter for a colour as the documentation's captures write it: the nearest of the colours the
// front end uses (by a 256-colour palette index), '.' for the terminal's default.
inline char colourLetter(int colour) {
  if (colour < 0) return '.';
  int r, g, b;
  if (colour >= 0x1000000) {
    r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  } else if (colour >= 232) {
    r = g = b = 8 + 10 * (colour - 232);
  } else if (colour >= 16) {
    static const int levels[6] = {0, 95, 135, 175, 215, 255};
    r = levels[(colour - 16) / 36], g = levels[((colour - 16) / 6) % 6],
    b = levels[(colour - 16) % 6];
  } else {
    static const int basic[16][3] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    r = basic[colour][0], g = basic[colour][1], b = basic[colour][2];
  }
  struct Named {
    char letter;
    int r, g, b;
  };
  static const Named named[] = {{'k', 0, 0, 0},       {'w', 255, 255, 255}, {'l', 192, 192, 192},
                                {'g', 128, 128, 128}, {'n', 0, 0, 128},     {'b', 0, 0, 255}};
  char best = '?';
  long bestDistance = -1;
  for (const Named& n : named) {
    long d = (r - n.r) * (r - n.r) + (g - n.g) * (g - n.g) + (b - n.b) * (b - n.b);
    if (bestDistance < 0 || d < bestDistance) best = n.letter, bestDistance = d;
  }
  return best;
}

// A capture of rows [first, last] as the documentation shows it: each row's text, then under it
// the foreground and background letters of its cells.
inline std::string documentCapture(const Screen& screen, int first, int last) {
  std::string out;
  for (int r = first; r <= last && r < static_cast<int>(screen.rows.size()); ++r) {
    std::string text, fg, bg;
    for (const Cell& c : screen.rows[r]) {
      text += c.ch;
      fg.push_back(colourLetter(c.fg));
      bg.push_back(colourLetter(c.bg));
    }
    out += "   " + text + "\n" + "fg " + fg + "\n" + "bg " + bg + "\n";
  }
  return out;
}

// Whether tmux can be run here (scripts/setup installs it).
inline bool haveTmux() {
  int status = -1;
  capture("tmux -V >/dev/null 2>&1", &status);
  return status == 0;
}

class Terminal {
 public:
  // Starts `command` (a sh command line) in a cols x rows pane.
  Terminal(const std::string& command, int cols = 80, int rows = 25) : cols_(cols), rows_(rows) {
    char pattern[] = "/tmp/vantrel-tui-XXXXXX";
    if (mkdtemp(pattern)) dir_ = pattern;
    socket_ = dir_ + "/tmux";
    tmux("-f /dev/null new-session -d -x " + std::to_string(cols) + " -y " + std::to_string(rows) +
         " " + quote(command));
    tmux("set-option -g remain-on-exit on");
  }
  ~Terminal() {
    tmux("kill-server");
    if (!dir_.empty()) capture("rm -rf " + quote(dir_));
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  const std::string& dir() const { return dir_; }

  std::string tmux(const std::string& arguments) {
    return capture("tmux -S " + quote(socket_) + " " + arguments + " 2>&1");
  }
  // Keys by tmux's names ("Escape", "F2", "Enter", "M-t", "BTab", "C-c").
  void keys(const std::string& names) { tmux("send-keys -t 0 " + names); }
  // Literal text.
  void type(const std::string& text) { tmux("send-keys -t 0 -l " + quote(text)); }

  // Whether the program in the pane has asked for mouse reports (waits up to `timeoutMs`).
  bool waitForMouse(int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (format("#{mouse_any_flag}") != "1") {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // What the terminal reports for the left button pressed and released on cell (row, col),
  // 0-based, in the form the program asked for: xterm's SGR form, or the older one whose bytes
  // are 32 plus the button (3: released) and the 1-based column and row.
  void click(int row, int col) {
    mouse(0, row, col);
    mouse(-1, row, col);
  }
  // A notch of the wheel over cell (row, col), down or up.
  void wheel(int row, int col, bool down) { mouse(down ? 65 : 64, row, col); }

  Screen screen() { return decode(tmux("capture-pane -p -e -N -t 0"), cols_); }
  std::string format(const std::string& layout) {
    std::string out = tmux("display-message -p -t 0 " + quote(layout));
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  // Polls until `condition` holds on the screen; answers the last screen read and whether it held.
  bool waitFor(const std::function<bool(const Screen&)>& condition, Screen* last = nullptr,
               int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      Screen s = screen();
      bool held = condition(s);
      if (last) *last = s;
      if (held) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  bool waitForText(const std::string& text, Screen* last = nullptr, int timeoutMs = 5000) {
    return waitFor([&](const Screen& s) { return s.contains(text); }, last, timeoutMs);
  }
  // Waits for the pane's command to end; answers its exit status (-1 on timeout).
  int waitExit(int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (format("#{pane_dead}") == "1") return std::stoi(format("#{pane_dead_status}"));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  // A mouse report: `button` as the SGR form numbers it, -1 for the left button's release.
  void mouse(int button, int row, int col) {
    if (format("#{mouse_sgr_flag}") == "1") {
      std::string at = std::to_string(col + 1) + ";" + std::to_string(row + 1);
      type("\033[<" + std::to_string(button < 0 ? 0 : button) + ";" + at +
           (button < 0 ? "m" : "M"));
    } else {
      std::string report = "\033[M";
      report += static_cast<char>(32 + (button < 0 ? 3 : button));
      report += static_cast<char>(33 + col);
      report += static_cast<char>(33 + row);
      type(report);
    }
  }

  int cols_;
  int rows_;
  std::string dir_;
  std::string socket_;
};

}  // namespace tuitest

#endif  // VANTREL_TESTS_TUI_TERMINAL_H_
