#include "platform/layout_resolve.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kv::layout {
namespace {

constexpr int kTwipsPerInch = 1440;

int Find(const Form& form, const std::string& name, int index) {
  for (std::size_t i = 0; i < form.controls.size(); ++i)
    if (form.controls[i].name == name && form.controls[i].index == index)
      return static_cast<int>(i);
  return -1;
}

Rect TwipsRect(int left, int top, int width, int height, int ppi) {
  // Each edge is rounded on its own, so controls that meet in twips meet in pixels.
  return {TwipsToPixels(left, ppi), TwipsToPixels(top, ppi),
          TwipsToPixels(static_cast<double>(left) + width, ppi),
          TwipsToPixels(static_cast<double>(top) + height, ppi)};
}

bool IsValue(const Control& c) { return c.kind == Kind::Label && c.border != Border::None; }

int TitleOf(const Form& form, int at) {
  const Control& c = form.controls[at];
  if (!c.buddyName.empty()) {
    const int buddy = Find(form, c.buddyName, c.buddyIndex);
    return buddy != at && buddy >= 0 && form.controls[buddy].kind == Kind::Label ? buddy : -1;
  }
  if (IsValue(c)) {
    int best = -1;
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
      const Control& t = form.controls[i];
      if (t.kind != Kind::Label || IsValue(t) || t.container != c.container) continue;
      if (t.left >= c.left || t.top < c.top || t.top >= c.top + std::max(c.height, 1)) continue;
      if (best < 0 || t.left > form.controls[best].left) best = static_cast<int>(i);
    }
    return best;
  }
  if (TakesFocus(c.kind) && !c.container.empty()) return Find(form, c.container, -1);
  return -1;
}

int TabKey(const Control& c) { return c.tabIndex < 0 ? INT_MAX : c.tabIndex; }

}  // namespace

int TwipsToPixels(double twips, int ppi) {
  return static_cast<int>(std::lround(twips * ppi / kTwipsPerInch));
}

bool TakesFocus(Kind kind) { return kind == Kind::TextBox || kind == Kind::CommandButton; }

Point ContainerOffset(const Form& form, const Control& control) {
  Point offset;
  const Control* c = &control;
  // A frame inside a frame adds its own place; a cycle in the data stops here.
  for (std::size_t depth = 0; depth < form.controls.size() && !c->container.empty(); ++depth) {
    const Control* frame = form.Find(c->container);
    if (frame == nullptr) break;
    offset.x += frame->left;
    offset.y += frame->top;
    c = frame;
  }
  return offset;
}

Resolved Resolve(const Form& form, const FontMetrics& metrics) {
  const int ppi = metrics.pixelsPerInch;
  Resolved r;
  r.client = {0, 0, TwipsToPixels(form.clientWidth, ppi), TwipsToPixels(form.clientHeight, ppi)};
  r.controls.reserve(form.controls.size());
  for (std::size_t i = 0; i < form.controls.size(); ++i) {
    const Control& c = form.controls[i];
    Placed p;
    p.control = &c;
    p.container = c.container.empty() ? -1 : Find(form, c.container, -1);
    const Point offset = ContainerOffset(form, c);
    if (c.kind == Kind::Line) {
      p.rect = {TwipsToPixels(offset.x + c.x1, ppi), TwipsToPixels(offset.y + c.y1, ppi),
                TwipsToPixels(offset.x + c.x2, ppi), TwipsToPixels(offset.y + c.y2, ppi)};
    } else {
      p.rect = TwipsRect(offset.x + c.left, offset.y + c.top, c.width, c.height, ppi);
    }
    p.singleLine = c.kind == Kind::Label && p.rect.Height() < 2 * metrics.lineHeight;
    p.title = TitleOf(form, static_cast<int>(i));
    r.controls.push_back(p);
  }

  // The one caption-fitting policy: the whole form's font shrinks until the
  // widest caption fits its label.
  if (metrics.textWidth) {
    for (const Placed& p : r.controls) {
      const Control& c = *p.control;
      if (c.kind != Kind::Label || c.border != Border::None || !p.singleLine) continue;
      const std::string_view caption = std::string_view(c.caption).substr(0, c.caption.find('\n'));
      if (caption.empty()) continue;
      const double needed = metrics.textWidth(caption);
      const int room = p.rect.Width();
      if (needed > room && room > 0)
        r.fontScale = std::min(r.fontScale, std::floor(100.0 * room / needed) / 100.0);
    }
    r.fontScale = std::max(r.fontScale, kSmallestFontScale);
  }

  // A label without a border shows nothing of its box, so one too low for the
  // ink of its line grows about its middle rather than cut the text.
  const int ink = static_cast<int>(std::ceil(metrics.inkHeight * r.fontScale));
  for (Placed& p : r.controls) {
    const Control& c = *p.control;
    if (c.kind == Kind::Label && c.border == Border::None && p.singleLine && p.rect.Height() < ink) {
      p.rect.top -= (ink - p.rect.Height()) / 2;
      p.rect.bottom = p.rect.top + ink;
    }
  }
  for (Placed& p : r.controls) {
    const Point origin = p.container >= 0 ? Point{r.controls[p.container].rect.left,
                                                  r.controls[p.container].rect.top}
                                          : Point{};
    p.local = {p.rect.left - origin.x, p.rect.top - origin.y, p.rect.right - origin.x,
               p.rect.bottom - origin.y};
  }

  std::vector<int> order;
  for (std::size_t i = 0; i < form.controls.size(); ++i)
    if (form.controls[i].kind != Kind::Line) order.push_back(static_cast<int>(i));
  std::stable_sort(order.begin(), order.end(), [&form](int a, int b) {
    return TabKey(form.controls[a]) < TabKey(form.controls[b]);
  });
  for (int i : order)
    if (TakesFocus(form.controls[i].kind)) r.tabOrder.push_back(i);
  // Each title label moves right before the control it names.
  for (std::size_t i = 0; i < order.size(); ++i) {
    const int title = r.controls[order[i]].title;
    if (title < 0 || form.controls[title].kind != Kind::Label) continue;
    const auto at = std::find(order.begin(), order.end(), title);
    if (at - order.begin() == static_cast<std::ptrdiff_t>(i) - 1) continue;
    const int named = order[i];
    order.erase(at);
    const auto to = std::find(order.begin(), order.end(), named);
    i = static_cast<std::size_t>(order.insert(to, title) - order.begin()) + 1;
  }
  r.readingOrder = std::move(order);
  return r;
}

}  // namespace kv::layout
