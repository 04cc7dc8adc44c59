#include "handwriting.h"

#include "strokeencoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace pensim {
namespace {

// The page in hundredths of a millimetre, and how the writing sits on it.
constexpr double kLeft = 1500, kRight = 19500;
constexpr double kTop = 2000, kBottom = 28000;
constexpr double kLineHeight = 900;
constexpr double kPi = 3.14159265358979323846;

std::uint16_t clamp16(double v, double high)
{
    return static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, high)));
}

// One word after another, each a single stroke of loops moving to the right.
class Writer
{
public:
    explicit Writer(unsigned seed) : m_random(seed) { newWord(); }

    Point next()
    {
        if (m_left == 0) {
            // The pen lifts where the word ended, then moves on to the next one.
            const Point lifted{m_last.x, m_last.y, 0};
            m_x += uniform(250, 600);
            if (m_x > kRight - 1500) {
                m_x = kLeft + uniform(0, 200);
                m_baseline += kLineHeight;
                if (m_baseline > kBottom)
                    m_baseline = kTop;
            }
            newWord();
            m_last = lifted;
            return lifted;
        }
        const double t = static_cast<double>(m_length - m_left) / m_length;
        m_phase += m_speed * (1 + 0.2 * std::sin(7 * kPi * t));
        m_x += m_advance;
        const double x = m_x + m_width * std::cos(m_phase) + jitter();
        const double y = m_baseline - m_height * (1 + std::sin(1.5 * m_phase + m_slant)) + jitter();
        // Pressure comes up over the first samples and falls away over the last.
        const double envelope = std::min({1.0, t * 4, (1 - t) * 4});
        const double pressure = 400 + (m_peak - 400) * envelope + jitter();
        --m_left;
        m_last = {clamp16(x, 21000), clamp16(y, 29700), clamp16(pressure, 2047)};
        return m_last;
    }

private:
    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }
    double jitter() { return uniform(-1.5, 1.5); }
    void newWord()
    {
        m_length = static_cast<int>(uniform(120, 320));
        m_left = m_length;
        m_speed = 2 * kPi / uniform(30, 48);
        m_advance = uniform(4, 7);
        m_width = uniform(40, 76);
        m_height = uniform(40, 85);
        m_slant = uniform(0, kPi);
        m_peak = uniform(800, 1400);
    }

    std::mt19937 m_random;
    double m_x = kLeft, m_baseline = kTop;
    double m_phase = 0, m_speed = 0, m_advance = 0, m_width = 0, m_height = 0, m_slant = 0;
    double m_peak = 0;
    int m_length = 0, m_left = 0;
    Point m_last{0, 0, 0};
};

} // namespace

Handwriting handwriting(std::size_t maxBytes, unsigned seed)
{
    Writer writer(seed);
    const Point start = writer.next();
    StrokeEncoder encoder(start);
    Handwriting out;
    std::array<Point, StrokeEncoder::kPointsPerBlock> block;
    for (;;) {
        for (Point &p : block)
            p = writer.next();
        if (encoder.bytes().size() + encoder.blockSize(block.data()) > maxBytes)
            break;
        encoder.addBlock(block.data());
        out.points.insert(out.points.end(), block.begin(), block.end());
    }
    out.upload = encoder.bytes();
    return out;
}

} // namespace pensim
