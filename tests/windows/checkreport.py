#!/usr/bin/env python3
"""Checks the JSON report of a one-port verified run against what a script
expects, and says each thing that differs.

    checkreport.py REPORT --result pass|fail [--bytes N] [--reason TEXT]...
                   [--within SECONDS]

--bytes N: the port sent N bytes and received every one of them back.
--reason TEXT: the port's reason names TEXT (each one given), and it sent
    something first.
--within SECONDS: the run ended before that (it did not wait out its time)."""
import argparse
import json
import sys


def problems(report, args):
    port = report["ports"][0]
    found = []
    if report["result"] != args.result or port["result"] != args.result:
        found.append(f"result {report['result']} (port: {port['result']}, reason \"{port['reason']}\"), "
                     f"not {args.result}")
    if args.bytes is not None and (port["bytes_sent"], port["bytes_received"]) != (args.bytes, args.bytes):
        found.append(f"{port['bytes_sent']} bytes sent and {port['bytes_received']} received, "
                     f"not {args.bytes} each way")
    for text in args.reason or []:
        if text not in port["reason"] or port["bytes_sent"] == 0:
            found.append(f"reason \"{port['reason']}\" after {port['bytes_sent']} bytes sent does not name "
                         f"\"{text}\" after a start")
    if args.within is not None and report["duration_s"] >= args.within:
        found.append(f"the run took {report['duration_s']:.1f} s, not under {args.within} s")
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("report")
    parser.add_argument("--result", required=True, choices=["pass", "fail"])
    parser.add_argument("--bytes", type=int)
    parser.add_argument("--reason", action="append")
    parser.add_argument("--within", type=float)
    args = parser.parse_args()
    with open(args.report, encoding="utf-8") as f:
        found = problems(json.load(f), args)
    for p in found:
        print(f"{args.report}: {p}", file=sys.stderr)
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
