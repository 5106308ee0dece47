#pragma once
// A table of platform functions that a test may replace, for as long as its override lives, to
// produce what the test platform cannot; the program itself always uses the platform's. `Api`
// gives the platform's table as `static const Api& Platform()`.

template <typename Api>
class Seam {
public:
    static const Api& Current() { return s_override ? *s_override : Api::Platform(); }

    class Override {
    public:
        explicit Override(const Api& api) : m_previous(s_override) { s_override = &api; }
        ~Override() { s_override = m_previous; }
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        const Api* m_previous;
    };

private:
    static inline const Api* s_override = nullptr;
};
