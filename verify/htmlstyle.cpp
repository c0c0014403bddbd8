#include "htmlstyle.h"

namespace verify {

const char* const ReportStyle = R"css(
:root { --pass: #3ca05a; --fail: #e04040; font-family: sans-serif; color: #202020; }
body { margin: 0 auto; padding: 12px; max-width: 1200px; line-height: 1.35; }
h1 { font-size: 3rem; margin: 0; letter-spacing: 0.05em; }
h2 { font-size: 1.2rem; margin: 1.2em 0 0.4em; border-bottom: 1px solid #ccc; }
h3 { font-size: 1rem; margin: 0.8em 0 0.3em; }
.verdict { padding: 12px 16px; border-radius: 6px; color: white; }
.verdict.pass { background: var(--pass); }
.verdict.fail { background: var(--fail); }
.verdict p { margin: 4px 0 0; font-size: 1.1rem; }
.interrupted { background: #a8c0d8; color: #102030; padding: 8px 12px; border-radius: 4px; margin-top: 8px; font-weight: bold; }
dl.settings { display: grid; grid-template-columns: max-content 1fr; gap: 2px 12px; margin: 0; }
dl.settings dt { font-weight: bold; }
dl.settings dd { margin: 0; }
.tiles { display: grid; grid-template-columns: repeat(auto-fill, minmax(58px, 1fr)); gap: 2px; }
.tile { display: block; padding: 4px 0; text-align: center; font-size: 0.8rem; text-decoration: none; color: black; border: 1px solid rgba(0,0,0,0.25); }
.tile.waiting { background: #d0d0d0; } .tile.running { background: #9cd99c; }
.tile.passed { background: #3ca05a; color: white; } .tile.stopped { background: #a8c0d8; }
.tile.error { background: #e04040; color: white; font-weight: bold; } .tile.failed-to-open { background: #f0a030; }
.tile.busy { background: #b090d8; } .tile.not-available { background: #707070; color: white; }
.legend span { display: inline-block; margin-right: 10px; font-size: 0.8rem; }
.legend i { display: inline-block; width: 10px; height: 10px; margin-right: 3px; border: 1px solid #888; }
table { border-collapse: collapse; font-size: 0.85rem; }
th, td { border: 1px solid #ddd; padding: 2px 6px; text-align: right; white-space: nowrap; }
th { background: #f0f0f0; }
td.text, th.text { text-align: left; }
td.reason { white-space: normal; text-align: left; min-width: 12em; }
tr.fail td { background: #fde8e8; }
.wide { overflow-x: auto; }
.bad-list td:first-child a { font-weight: bold; color: #a01010; }
.charts { display: grid; grid-template-columns: repeat(auto-fill, minmax(200px, 1fr)); gap: 6px; }
figure { margin: 0; padding: 4px; border: 1px solid #ddd; border-radius: 4px; break-inside: avoid; }
figure.fail { border-color: var(--fail); border-width: 2px; }
figcaption { font-size: 0.8rem; }
svg.chart { width: 100%; height: auto; display: block; }
svg .plot { fill: #fafafa; stroke: #ccc; stroke-width: 0.5; }
svg .rate { fill: none; stroke: #1f5fa8; stroke-width: 1.2; }
svg .line-rate { stroke: #3ca05a; stroke-width: 1; stroke-dasharray: 4 3; }
svg .event { stroke: #e04040; stroke-width: 1.5; }
svg .axis { font-size: 10px; fill: #555; }
article.port-detail svg.chart { max-width: 760px; }
article.port-detail { border-left: 4px solid var(--fail); padding-left: 10px; margin-bottom: 16px; break-inside: avoid; }
pre.dump { background: #f6f6f6; padding: 6px; overflow-x: auto; font-size: 0.85rem; }
pre.dump b { color: #c00000; }
@media (max-width: 600px) {
  h1 { font-size: 2.2rem; }
  body { padding: 6px; }
  .charts { grid-template-columns: repeat(auto-fill, minmax(140px, 1fr)); }
}
@media print {
  @page { size: A4; margin: 12mm; }
  body { max-width: none; padding: 0; font-size: 9pt; }
  .verdict, .tile, tr.fail td { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  .wide { overflow: visible; }
  table { font-size: 7pt; }
  h2 { break-after: avoid; }
}
)css";

} // namespace verify
