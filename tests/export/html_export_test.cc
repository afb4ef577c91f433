#include "present/export/html_export.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "present/export/share_chart.h"
#include "tests/export/export_test_data.h"

namespace ovik {
namespace {

std::size_t Count(std::string_view text, std::string_view part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size())) {
    ++n;
  }
  return n;
}

TEST(ShareChartTest, ThousandsOfOwnersChartTheLargestAndTheRest) {
  ExportData data = SmallExport();
  data.owners.clear();
  for (std::size_t i = 0; i < 2000; ++i) {
    data.owners.push_back({i + 1, "user" + std::to_string(i), "1000",
                           (2000 - i) * 1048576, 1, (2000 - i) * 1024});
  }
  const std::string chart = BuildShareChart(data);
  EXPECT_EQ(Count(chart, "<rect class=\"bar\""), kChartedOwners);
  EXPECT_EQ(Count(chart, "<rect class=\"bar others\""), 1u);
  // 1,980 owners of 1 to 1,980 MiB: 1,961,190 MiB together, far more
  // than the 100 MiB volume and far longer than any owner's bar.
  EXPECT_NE(chart.find("Others (1,980) \u2014 1961190.0000% (1TB)"),
            std::string::npos);
  EXPECT_NE(chart.find("class=\"bar others\" x=\"0\" y=\"697.0\" "
                       "width=\"720.0\""),
            std::string::npos);
  const std::string page = BuildHtmlExport(data);
  EXPECT_EQ(Count(page, "<tr><td class=\"n\">"), 2000u);
  EXPECT_NE(page.find("The 20 largest of 2,000 owners"), std::string::npos);
}

TEST(HtmlExportTest, NamesAndPathsAreEscaped) {
  ExportData data =
      WithOneOwner(SmallExport(), "<script>alert(1)</script>&\"'\n\xff");
  data.owners[0].id = "<b>";
  data.facts.root = "/srv/<img src=x onerror=alert(1)>";
  const std::string page = BuildHtmlExport(data);
  EXPECT_NE(page.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;&amp;"
                      "&quot;&#39;?"
                      "?</td>"),
            std::string::npos);
  EXPECT_NE(page.find("&lt;b&gt;"), std::string::npos);
  EXPECT_NE(page.find("/srv/&lt;img src=x onerror=alert(1)&gt;"),
            std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(HtmlExportTest, NamesAreIsolatedAndCannotReadBackwards) {
  const std::string page =
      BuildHtmlExport(WithOneOwner(SmallExport(), "gpj.\u202Eexe"));
  EXPECT_EQ(page.find("\u202E"), std::string::npos);
  EXPECT_NE(page.find("<td>gpj.?exe</td>"), std::string::npos);
  EXPECT_NE(page.find("1. <tspan style=\"unicode-bidi:isolate\">gpj.?exe"
                      "</tspan>"),
            std::string::npos);
}

TEST(HtmlExportTest, AgesInTheTableAndTheirBasisInTheFacts) {
  ExportData data = SmallExport();
  std::string page = BuildHtmlExport(data);
  EXPECT_NE(page.find("<td class=\"n\">31,457,280</td><td class=\"n\">"
                      "20,971,520</td><td class=\"n\">10,485,760</td>"
                      "<td class=\"n\">0</td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find(">30 days to 1 year</th>"), std::string::npos);
  EXPECT_NE(page.find(">Ages by</th><td>last modification</td>"),
            std::string::npos);
  EXPECT_EQ(page.find("Only files older than"), std::string::npos);
  data.facts.age_by = AgeBasis::kAccessed;
  data.facts.older_than = 90 * 86400;
  page = BuildHtmlExport(data);
  EXPECT_NE(page.find(">Ages by</th><td>last access</td>"), std::string::npos);
  EXPECT_NE(page.find(">Only files older than</th><td>90 days</td>"),
            std::string::npos);
}

TEST(HtmlExportTest, SelfContainedAndHonestAboutGaps) {
  ExportData data = SmallExport();
  std::string page = BuildHtmlExport(data);
  for (std::string_view outside :
       {"src=", "href=", "url(", "@import", "<link", "<script", "<iframe"}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_NE(page.find("Incomplete:"), std::string::npos);
  EXPECT_NE(page.find("<td>incomplete</td>"), std::string::npos);

  data.facts.complete = true;
  data.facts.space.reset();
  page = BuildHtmlExport(data);
  EXPECT_EQ(page.find("Incomplete:"), std::string::npos);
  EXPECT_NE(page.find("<th style=\"text-align:left\">Volume total</th>"
                      "<td>unknown</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<td class=\"n\">--.----%</td>"), std::string::npos);
}

}  // namespace
}  // namespace ovik
