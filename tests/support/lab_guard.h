#pragma once
// Tests that open sockets call this first: outside a lab namespace they must not run.

namespace scanvale::testing {

bool InsideLab();

}  // namespace scanvale::testing

#define SCANVALE_REQUIRE_LAB()                                                  \
  do {                                                                          \
    if (!::scanvale::testing::InsideLab())                                      \
      GTEST_FAIL() << "refusing to open sockets outside a lab (scripts/lab run)"; \
  } while (0)
