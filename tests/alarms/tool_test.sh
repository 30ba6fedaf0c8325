echo todo
