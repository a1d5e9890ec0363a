orvane_test(files LIBS orvane_files nlohmann_json::nlohmann_json)
