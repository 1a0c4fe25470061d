#pragma once

// The application's wait cursor while a window's work runs. Set(true) puts it
// up once however often it is called; Set(false) and the destructor take it
// back, so a window closed mid-work never leaves the cursor waiting.
class WaitCursor
{
public:
    WaitCursor() = default;
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    void Set(bool on);
    bool IsSet() const { return m_on; }

private:
    bool m_on = false;
};
