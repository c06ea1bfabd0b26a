#include <gtest/gtest.h>

#include <QCoreApplication>

// The core's tests need no widgets, and link none.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
