// The Qt widgets behind windows: a top-level frame holding the client area
// and, below it, the soft-key bar.
#pragma once

#include "menu_internal.h"
#include "window_internal.h"

#include <QPushButton>
#include <QWidget>
#include <memory>

namespace platform {

class ClientWidget : public QWidget {
public:
    ClientWidget(HWND hwnd, QWidget* parent);
    HWND hwnd() const { return hwnd_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    HWND hwnd_;
};

class SoftKeyBar : public QWidget {
public:
    // The bar of menu resource `menu`: its first two items are the soft keys.
    SoftKeyBar(HWND bar, HWND owner, const MenuResource& menu, QWidget* parent);
    ~SoftKeyBar() override;
    void press(int key); // 0 left, 1 right
    HMENU popup(int key) const;

private:
    void setUpKey(int key, const MenuResourceItem& item);

    HWND bar_;
    HWND owner_;
    QPushButton* buttons_[2] = {nullptr, nullptr};
    std::unique_ptr<HMENU__> popups_[2];
    UINT commands_[2] = {0, 0};
};

class FrameWidget : public QWidget {
public:
    FrameWidget(HWND hwnd, int width, int clientHeight, int barHeight);
    ClientWidget* client() const { return client_; }
    SoftKeyBar* bar() const { return bar_; }
    void setBar(SoftKeyBar* bar);
    int clientHeight() const { return clientHeight_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    HWND hwnd_;
    ClientWidget* client_;
    SoftKeyBar* bar_ = nullptr;
    int clientHeight_;
};

} // namespace platform
