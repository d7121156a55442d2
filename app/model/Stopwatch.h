// The stopwatch around every load, save and operation, and the text the status bar shows.
#pragma once

#include <chrono>
#include <string>

class CStopwatch {
public:
    void Start() { m_start = std::chrono::steady_clock::now(); }
    // Seconds since Start, in single precision as the status bar shows them.
    float Stop() {
        m_elapsed = std::chrono::duration<float>(std::chrono::steady_clock::now() - m_start).count();
        return m_elapsed;
    }
    float Elapsed() const { return m_elapsed; }

    // "Tiempo de <label>: 0.000123 seg." The label is joined after formatting, so a "%" in it is harmless.
    static std::string TimingText(const std::string& label, float seconds);

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    float m_elapsed = 0.0f;
};
