#include "shell/AdStrip.h"

AdStrip::AdStrip(AdViewer& viewer, std::u16string site, Hooks hooks)
    : viewer(viewer), site(std::move(site)), hooks(std::move(hooks)) {}

void AdStrip::Place(int windowWidth, int windowHeight, int lineHeight) {
    // One pixel wider on each side so that the view's border stays off screen.
    viewer.Place(-1, windowHeight - 5 * lineHeight, windowWidth + 2, 5 * lineHeight + 1);
}

void AdStrip::Show(bool visible) {
    if (!enabled) return;
    viewer.Show(visible);
    if (hooks.showCloseButton) hooks.showCloseButton(visible);
}

std::u16string AdStrip::PageUrl() const {
    const std::u16string language = hooks.languageName ? hooks.languageName() : std::u16string();
    return site + u"ads/" + (language == u"ru" ? u"mobiledirect.php" : u"admob.php");
}

void AdStrip::Reload() {
    taps = 0;
    viewer.Clear();
    viewer.Navigate(PageUrl());
}

void AdStrip::OnStylusUp() {
    if (!viewer.IsVisible()) return;
    if (++taps >= kTapsPerReload) Reload();
}

void AdStrip::OnLinkTapped(const std::u16string& link) {
    if (hooks.openBrowser) hooks.openBrowser(link);
    Dismiss(kAfterLinkMs);
}

void AdStrip::OnCloseTapped() { Dismiss(kAfterCloseMs); }

void AdStrip::OnLinkChosen() {
    if (viewer.IsVisible()) viewer.FollowLink();
}

void AdStrip::Dismiss(unsigned awayMs) {
    viewer.Show(false);
    if (hooks.showCloseButton) hooks.showCloseButton(false);
    viewer.Clear();
    enabled = false;
    if (hooks.startTimer) hooks.startTimer(awayMs);
}

void AdStrip::OnTimer() {
    enabled = true;
    Show(true);
    Reload();
    if (hooks.stopTimer) hooks.stopTimer();
}
