orvane_test(duplicates LIBS orvane_duplicates)
