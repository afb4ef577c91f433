#include "dialog/ranking_pages.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "present/display_name.h"
#include "present/fill.h"
#include "present/usage_text.h"
#include "dialog/control_ids.h"
#include "dialog/texts.h"

namespace ovik {
namespace {

constexpr std::array<int, kRowsPerPage> kNameRowIds = {
    IDC_NAME_ROW1, IDC_NAME_ROW2, IDC_NAME_ROW3, IDC_NAME_ROW4,
    IDC_NAME_ROW5};
constexpr std::array<int, kRowsPerPage> kPercentRowIds = {
    IDC_USAGE_ROW1, IDC_USAGE_ROW2, IDC_USAGE_ROW3, IDC_USAGE_ROW4,
    IDC_USAGE_ROW5};

std::string PageTitle(int first) {
  return Fill(text::kRankingTitle, {first + 1, first + kRowsPerPage});
}

}  // namespace

void RankingPages::SetUpPaging(DialogPort& dialog, const Ranking& ranking,
                               const VolumeTotals& totals) {
  ranking_ = &ranking;
  current_page_ = 0;
  const std::size_t count = ranking.size();
  page_count_ = static_cast<int>(count / kRowsPerPage +
                                 (count % kRowsPerPage != 0 ? 1 : 0));
  dialog.EnableControl(IDC_PAGE_SCROLL, true);
  // An empty ranking still gets a valid (single-position) range.
  dialog.SetScrollRange(IDC_PAGE_SCROLL, 0, std::max(page_count_ - 1, 0));
  dialog.SetScrollPos(IDC_PAGE_SCROLL, 0);
  ShowRankingPage(dialog, 0, totals);
}

void RankingPages::ShowRankingPage(DialogPort& dialog, int first,
                                   const VolumeTotals& totals) {
  dialog.SetControlText(IDC_RANKING_GROUP, PageTitle(first));
  const std::size_t count = ranking_ != nullptr ? ranking_->size() : 0;
  for (int r = 0; r < kRowsPerPage; ++r) {
    const auto row = static_cast<std::size_t>(r);
    const int i = first + r;
    if (i < 0 || static_cast<std::size_t>(i) >= count) {
      dialog.SetControlText(kNameRowIds[row], "");
      dialog.SetControlText(kPercentRowIds[row], "");
      continue;
    }
    // Owners with 0 KB are shown like every other owner, so a row never
    // keeps the text of an earlier page.
    const RankedOwner& owner = (*ranking_)[static_cast<std::size_t>(i)];
    dialog.SetControlText(kNameRowIds[row], SanitizeName(owner.name));
    dialog.SetControlText(kPercentRowIds[row],
                          FormatUsage(owner.kb, totals.total_kb));
  }
}

void RankingPages::ScrollRanking(DialogPort& dialog, DialogCommand step,
                                 const VolumeTotals& totals) {
  if (step == DialogCommand::kPageLeft) {
    --current_page_;
    if (current_page_ < 0) {
      current_page_ = 0;
    } else {
      ShowRankingPage(dialog, current_page_ * kRowsPerPage, totals);
    }
  } else if (step == DialogCommand::kPageRight) {
    ++current_page_;
    if (current_page_ > page_count_ - 1) {
      --current_page_;
    } else {
      ShowRankingPage(dialog, current_page_ * kRowsPerPage, totals);
    }
  } else {
    return;  // shaft clicks, thumb drags and the ends change nothing
  }
  dialog.SetScrollPos(IDC_PAGE_SCROLL, current_page_);
}

}  // namespace ovik
