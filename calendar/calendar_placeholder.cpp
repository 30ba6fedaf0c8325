// replaced by the calendar engine
