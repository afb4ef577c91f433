// The ranking shown five owners at a time, with a scroll bar that steps
// one page back or forward.
#ifndef OVIK_DIALOG_RANKING_PAGES_H_
#define OVIK_DIALOG_RANKING_PAGES_H_

#include "scan/ranking.h"
#include "dialog/dialog_commands.h"
#include "dialog/dialog_port.h"
#include "volume/volume_facts.h"

namespace ovik {

inline constexpr int kRowsPerPage = 5;

class RankingPages {
 public:
  // After a scan: page 0 of |ranking|, which must outlive this object's
  // use of it.
  void SetUpPaging(DialogPort& dialog, const Ranking& ranking,
                   const VolumeTotals& totals);
  void ShowRankingPage(DialogPort& dialog, int first,
                       const VolumeTotals& totals);
  // One step of the page scroll bar: kPageLeft or kPageRight. Anything
  // else changes nothing.
  void ScrollRanking(DialogPort& dialog, DialogCommand step,
                     const VolumeTotals& totals);

  int current_page() const { return current_page_; }
  int page_count() const { return page_count_; }

 private:
  const Ranking* ranking_ = nullptr;
  int current_page_ = 0;
  int page_count_ = 0;
};

}  // namespace ovik

#endif  // OVIK_DIALOG_RANKING_PAGES_H_
