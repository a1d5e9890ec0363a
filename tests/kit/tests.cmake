orvane_test(kit LIBS orvane_kit)
